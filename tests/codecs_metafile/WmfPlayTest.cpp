// Windows metafiles: sizes, mapping and drawing.
#include "MetaBuilder.h"

#include <gtest/gtest.h>

using namespace mftest;

namespace {

constexpr QRgb kRed = 0xFF0000, kWhite = 0xFFFFFF, kGreen = 0x00FF00;

TEST(WmfPlay, PlaceableSizeFromBoundingBoxAndUnitsPerInch)
{
    Wmf w;
    const vx::Metafile m = load(w.build(true, QRect(0, 0, 1440, 720), 1440));
    EXPECT_EQ(m.width(), 96);
    EXPECT_EQ(m.height(), 48);
    EXPECT_FALSE(m.isEnhanced());
    const vx::Metafile n = load(Wmf().build(true, QRect(100, 100, 2540, 1270), 2540));
    EXPECT_EQ(n.width(), 96);
    EXPECT_EQ(n.height(), 48);
}

TEST(WmfPlay, PlainFileSizedByItsWindowOrByWhatItDraws)
{
    Wmf w;
    w.rec(0x020B, {0, 0}).rec(0x020C, {100, 200});  // SETWINDOWEXT takes y, then x
    const vx::Metafile m = load(w.build(false));
    EXPECT_EQ(m.width(), 200);
    EXPECT_EQ(m.height(), 100);

    Wmf d;
    d.brush(rgb(255, 0, 0)).select(0).nullPen().select(1).rect(10, 20, 70, 60);
    const vx::Metafile n = load(d.build(false));
    EXPECT_EQ(n.width(), 60);
    EXPECT_EQ(n.height(), 40);
    const QImage img = n.displayImage(QSize(60, 40));
    EXPECT_EQ(at(img, 30, 20), kRed);
}

TEST(WmfPlay, WindowMapsOntoThePicture)
{
    Wmf w;
    w.rec(0x0103, {8}).rec(0x020B, {0, 0}).rec(0x020C, {1000, 1000});
    w.brush(rgb(255, 0, 0)).select(0).nullPen().select(1).rect(0, 0, 500, 500);
    const QImage img = render(w.build(true, QRect(0, 0, 1000, 1000), 1000));  // 96 x 96
    ASSERT_EQ(img.size(), QSize(96, 96));
    EXPECT_EQ(at(img, 20, 20), kRed);
    EXPECT_EQ(at(img, 44, 44), kRed);
    EXPECT_EQ(at(img, 52, 52), kWhite);

    // Drawn twice as large, the same records scale with the picture.
    const vx::Metafile m = load(w.build(true, QRect(0, 0, 1000, 1000), 1000));
    const QImage big = m.displayImage(QSize(192, 192));
    EXPECT_EQ(at(big, 90, 90), kRed);
    EXPECT_EQ(at(big, 100, 100), kWhite);
}

TEST(WmfPlay, ObjectSlotsAreReusedAfterDelete)
{
    Wmf w;
    w.rec(0x020C, {100, 100});
    w.brush(rgb(255, 0, 0));      // slot 0
    w.nullPen();                  // slot 1
    w.rec(0x01F0, {0});           // delete slot 0
    w.brush(rgb(0, 255, 0));      // slot 0 again
    w.select(0).select(1).rect(0, 0, 100, 100);
    EXPECT_EQ(at(render(w.build(false)), 50, 50), kGreen);
}

TEST(WmfPlay, EllipsePolygonAndClip)
{
    Wmf w;
    w.rec(0x020C, {100, 100}).brush(rgb(255, 0, 0)).select(0).nullPen().select(1);
    w.rec(0x0416, {100, 50, 0, 0});  // INTERSECTCLIPRECT bottom, right, top, left
    w.rec(0x0418, {100, 100, 0, 0}); // ellipse over everything
    Bytes poly;
    poly.u16le(3).i16le(60).i16le(60).i16le(100).i16le(60).i16le(100).i16le(100);
    w.raw(0x0324, poly);
    const QImage img = render(w.build(false));
    EXPECT_EQ(at(img, 40, 50), kRed);
    EXPECT_EQ(at(img, 2, 2), kWhite);    // outside the ellipse
    EXPECT_EQ(at(img, 95, 70), kWhite);  // polygon lies outside the clip
}

TEST(WmfPlay, StretchDibDrawsItsPixels)
{
    Wmf w;
    w.rec(0x020C, {100, 100});
    Bytes p;
    p.u32le(0x00CC0020).u16le(0).i16le(2).i16le(2).i16le(0).i16le(0).i16le(100).i16le(100).i16le(0).i16le(0);
    p.append(dib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF}));
    w.raw(0x0F43, p);
    const QImage img = render(w.build(false));
    EXPECT_EQ(at(img, 25, 25), kRed);
    EXPECT_EQ(at(img, 75, 25), kGreen);
    EXPECT_EQ(at(img, 25, 75), 0x0000FFu);
}

TEST(WmfPlay, TextOutLeavesInk)
{
    ensureGuiApp();
    Wmf w;
    w.rec(0x020C, {50, 200});
    Bytes font;
    font.i16le(-30).i16le(0).i16le(0).i16le(0).i16le(400).u8(0).u8(0).u8(0).u8(0).u32le(0);
    for (int i = 0; i < 32; ++i)
        font.u8(0);
    w.raw(0x02FB, font).select(0).rec(0x0102, {1});
    Bytes t;
    t.u16le(5).u8('H').u8('e').u8('l').u8('l').u8('o').u8(0).i16le(10).i16le(10);
    w.raw(0x0521, t);
    const QImage img = render(w.build(false));
    int ink = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            ink += at(img, x, y) != kWhite;
    EXPECT_GT(ink, 50);
}

}  // namespace
