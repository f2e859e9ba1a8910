#include "viewer/Rotate.h"
#include "viewer/ViewGeometry.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace vx;

TEST(ScalingMode, ExactPixelsOfTheModes)
{
    // Quotient first in extended precision: 53/50*800 = 847.99.. -> 847, not 848.
    EXPECT_EQ(applyScalingMode(2, {50, 53}, {800, 900}, {}), QSize(800, 847));
    EXPECT_EQ(applyScalingMode(1, {450, 380}, {500, 400}, {}), QSize(450, 380));
    EXPECT_EQ(applyScalingMode(1, {520, 300}, {500, 400}, {}), QSize(500, 288));
    EXPECT_EQ(applyScalingMode(1, {300, 1000}, {500, 400}, {}), QSize(120, 400));
    EXPECT_EQ(applyScalingMode(2, {10, 10}, {500, 400}, {}), QSize(400, 400));
    EXPECT_EQ(applyScalingMode(3, {5000, 1}, {500, 400}, {}), QSize(5000, 1));
    EXPECT_EQ(applyScalingMode(0, {5000, 1}, {500, 400}, {7, 9}), QSize(7, 9));
    EXPECT_EQ(applyScalingMode(9, {5000, 1}, {500, 400}, {7, 9}), QSize(7, 9));
    EXPECT_THROW(applyScalingMode(1, {0, 10}, {500, 400}, {}), std::domain_error);
    EXPECT_THROW(applyScalingMode(2, {0, 10}, {500, 400}, {}), std::domain_error);
    EXPECT_EQ(applyScalingMode(3, {0, 10}, {500, 400}, {}), QSize(0, 10));
}

TEST(Zoom, RoundsHalfToEvenAndStopsAtTheLimits)
{
    EXPECT_EQ(zoomOutSize({27, 27}).width(), 22);
    EXPECT_EQ(zoomOutSize({21, 500}), QSize(18, 417));
    EXPECT_EQ(zoomOutSize({20, 500}), QSize(20, 500));
    EXPECT_EQ(zoomInSize({100, 100}), QSize(120, 120));
    EXPECT_EQ(zoomInSize({3199, 3199}), QSize(3839, 3839));
    EXPECT_EQ(zoomInSize({3839, 3839}), QSize(3839, 3839));
    EXPECT_EQ(zoomInSize({0, 0}), QSize(0, 0));
    // x.5 goes to the even neighbour: 30/1.2 = 25 exactly, 15 * 1.2 = 18.
    EXPECT_EQ(roundHalfEven(2.5L), 2);
    EXPECT_EQ(roundHalfEven(3.5L), 4);
    EXPECT_EQ(roundHalfEven(-2.5L), -2);
}

TEST(FitToggle, NaturalAndFittedSizes)
{
    EXPECT_EQ(fitToggleSize({300, 200}, {300, 200}, {600, 600}), QSize(600, 400));
    EXPECT_EQ(fitToggleSize({600, 400}, {300, 200}, {600, 600}), QSize(300, 200));
    EXPECT_EQ(fitToggleSize({360, 240}, {300, 200}, {600, 600}), QSize(300, 200));
}

TEST(Centre, HalvesEachSideBeforeSubtracting)
{
    EXPECT_EQ(centredPosition({51, 10}, {100, 100}), QPoint(25, 45));
    EXPECT_EQ(centredPosition({1, 1}, {101, 101}), QPoint(50, 50));
    EXPECT_EQ(centredPosition({200, 100}, {100, 100}), QPoint(0, 0));
}

namespace {

Bitmap lettered(int w, int h)
{
    Bitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(y * w + x);
            p[1] = uint8_t(x);
            p[2] = uint8_t(y);
        }
    return b;
}

uint8_t id(const Bitmap& b, int x, int y)
{
    return b.scanLine(y)[3 * x];
}

}  // namespace

TEST(RotateBitmap, QuarterTurnsBothWays)
{
    // (a b) (c d) (e f) -> (e c a) (f d b) clockwise, (b d f) (a c e) counter-clockwise.
    Bitmap cw = lettered(2, 3);
    RotateBitmap(cw, 90);
    ASSERT_EQ(cw.width(), 3);
    ASSERT_EQ(cw.height(), 2);
    const int a = 0, b = 1, c = 2, d = 3, e = 4, f = 5;
    EXPECT_EQ(id(cw, 0, 0), e);
    EXPECT_EQ(id(cw, 1, 0), c);
    EXPECT_EQ(id(cw, 2, 0), a);
    EXPECT_EQ(id(cw, 0, 1), f);
    EXPECT_EQ(id(cw, 2, 1), b);

    Bitmap ccw = lettered(2, 3);
    RotateBitmap(ccw, 270);
    EXPECT_EQ(id(ccw, 0, 0), b);
    EXPECT_EQ(id(ccw, 1, 0), d);
    EXPECT_EQ(id(ccw, 2, 0), f);
    EXPECT_EQ(id(ccw, 0, 1), a);
    EXPECT_EQ(id(ccw, 2, 1), e);
    (void)c;
}

TEST(RotateBitmap, FourTurnsGiveTheSamePixelsAndDepthBecomes24)
{
    Bitmap indexed(7, 5, 8);
    indexed.palette().resize(256);
    for (int i = 0; i < 256; ++i)
        indexed.palette()[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            indexed.scanLine(y)[x] = uint8_t(x * 31 + y * 7);
    const Bitmap first = indexed.converted24();
    Bitmap b = indexed;
    for (int turn = 0; turn < 4; ++turn)
        RotateBitmap(b, 270);
    ASSERT_EQ(b.bitsPerPixel(), 24);
    ASSERT_EQ(b.width(), 7);
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(0, memcmp(b.scanLine(y), first.scanLine(y), 21)) << y;

    Bitmap line = lettered(1, 9);
    RotateBitmap(line, 90);
    EXPECT_EQ(line.width(), 9);
    EXPECT_EQ(line.height(), 1);
    EXPECT_EQ(id(line, 0, 0), 8);
}

TEST(RotateBitmap, LargeAndOddSizesMatchThePixelRule)
{
    // Sizes around the 4 x 4 blocks and the 128 x 128 tiles, both directions.
    for (const QSize size : {QSize(37, 23), QSize(64, 48), QSize(129, 67), QSize(3, 130), QSize(130, 3),
                             QSize(261, 389), QSize(384, 128)}) {
        Bitmap source(size.width(), size.height(), 24);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x) {
                uint8_t* p = source.scanLine(y) + 3 * x;
                p[0] = uint8_t(x * 7 + y);
                p[1] = uint8_t(x ^ (y * 3));
                p[2] = uint8_t(y * 11 - x);
            }
        const int w = size.width(), h = size.height();
        for (int angle : {90, 270}) {
            Bitmap b = source.deepCopy();
            RotateBitmap(b, angle);
            ASSERT_EQ(b.width(), h);
            ASSERT_EQ(b.height(), w);
            for (int y = 0; y < w; ++y)
                for (int x = 0; x < h; ++x) {
                    // 90: (x, y) <- (y, h - 1 - x); otherwise (x, y) <- (w - 1 - y, x).
                    const int sx = angle == 90 ? y : w - 1 - y;
                    const int sy = angle == 90 ? h - 1 - x : x;
                    ASSERT_EQ(0, memcmp(b.scanLine(y) + 3 * x, source.scanLine(sy) + 3 * sx, 3))
                        << size.width() << "x" << size.height() << " angle " << angle << " at " << x << "," << y;
                }
            // Row padding stays zero.
            const int used = 3 * h;
            for (int y = 0; y < w; ++y)
                for (int k = used; k < b.stride(); ++k)
                    ASSERT_EQ(b.scanLine(y)[k], 0);
        }
    }
}

TEST(WindowOnWorkArea, BoundsAreClampedAndMoviesShrinkKeepingTheirAspect)
{
    const QRect area(0, 30, 1280, 994);
    struct Case {
        QRect in, out;
    };
    const Case bounds[] = {
        {QRect(100, 100, 400, 400), QRect(100, 100, 400, 400)},
        {QRect(100, 100, 0x7fffffff, 0x7fffffff), QRect(0, 30, 1280, 994)},
        {QRect(-5000, 900, 400, 300), QRect(0, 724, 400, 300)},
        {QRect(2000, -40, 0, -7), QRect(0, 30, 1280, 994)},
        {QRect(1200, 1000, 200, 100), QRect(1080, 924, 200, 100)},
    };
    for (const Case& c : bounds)
        EXPECT_EQ(clampToArea(c.in, area), c.out) << c.in.x() << "," << c.in.y();

    EXPECT_EQ(shrinkToFit(QSize(1024, 1024), QSize(1018, 950)), QSize(950, 950));
    EXPECT_EQ(shrinkToFit(QSize(40000, 30000), QSize(1274, 944)), QSize(1258, 944));
    EXPECT_EQ(shrinkToFit(QSize(640, 480), QSize(1274, 944)), QSize(640, 480));
    EXPECT_EQ(shrinkToFit(QSize(100000, 1), QSize(1000, 1000)), QSize(1000, 1));
}
