// Antialiased coverage of fills and thin lines, and blending it into pixels.
#include "swf/SwfBlend.h"
#include "swf/SwfCanvas.h"
#include "swf/SwfCoverage.h"
#include "swf/SwfHairline.h"

#include <QPainter>
#include <gtest/gtest.h>
#include <cmath>
#include <map>
#include <random>

using namespace vx::swf;

namespace {

// Coverage per pixel (0..255) of runs.
std::map<std::pair<int, int>, int> coverOf(const CoverRuns& runs)
{
    std::map<std::pair<int, int>, int> out;
    for (const CoverSpan& s : runs.spans)
        for (int x = s.x0; x < s.x1; ++x) {
            const int a = s.alpha >= 0 ? runs.alpha[size_t(s.alpha + (x - s.x0))] : s.cover;
            EXPECT_EQ(out.count({x, s.y}), 0u) << "pixel " << x << "," << s.y << " in two runs";
            out[{x, s.y}] = a;
        }
    return out;
}

double total(const CoverRuns& runs)
{
    double sum = 0;
    for (const CoverSpan& s : runs.spans)
        for (int x = s.x0; x < s.x1; ++x)
            sum += (s.alpha >= 0 ? runs.alpha[size_t(s.alpha + (x - s.x0))] : s.cover) / 255.0;
    return sum;
}

// The cover of one pixel, looked up in the runs.
int coverAt(const CoverRuns& runs, int x, int y)
{
    for (const CoverSpan& s : runs.spans)
        if (s.y == y && x >= s.x0 && x < s.x1) return s.alpha >= 0 ? runs.alpha[size_t(s.alpha + (x - s.x0))] : s.cover;
    return 0;
}

int at(const std::map<std::pair<int, int>, int>& c, int x, int y)
{
    const auto it = c.find({x, y});
    return it == c.end() ? 0 : it->second;
}

QPainterPath rect(double x0, double y0, double x1, double y1)
{
    QPainterPath p;
    p.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
    return p;
}

const CoverRuns& fill(CoverageRaster& c, ScanRaster& r, const QPainterPath& path, const QRect& clip,
                      const QTransform& m = QTransform())
{
    return c.rasterize(r.buildEdges(path, m), path.fillRule() == Qt::WindingFill, clip);
}

}  // namespace

TEST(SwfCoverage, PartlyCoveredPixelsGetTheirShare)
{
    CoverageRaster c;
    ScanRaster r;
    // x from 1.25 to 4.5, y from 2 to 3.75: edge pixels hold the covered part.
    const auto px = coverOf(fill(c, r, rect(1.25, 2, 4.5, 3.75), QRect(0, 0, 10, 10)));
    EXPECT_EQ(at(px, 1, 2), 191);  // 0.75 wide
    EXPECT_EQ(at(px, 2, 2), 255);
    EXPECT_EQ(at(px, 3, 2), 255);
    EXPECT_EQ(at(px, 4, 2), 128);  // half
    EXPECT_EQ(at(px, 5, 2), 0);
    EXPECT_EQ(at(px, 2, 3), 191);  // 0.75 high
    EXPECT_EQ(at(px, 1, 3), 143);  // 0.75 x 0.75
    EXPECT_EQ(at(px, 0, 2), 0);
    EXPECT_EQ(at(px, 2, 4), 0);
}

TEST(SwfCoverage, AreaOfACircleAndFillRules)
{
    CoverageRaster c;
    ScanRaster r;
    QPainterPath circle;
    circle.addEllipse(QPointF(50.3, 40.7), 30, 30);
    EXPECT_NEAR(total(fill(c, r, circle, QRect(0, 0, 100, 100))), M_PI * 900, M_PI * 900 * 0.005);

    // Two squares, one inside the other, drawn the same way round.
    QPainterPath nested = rect(10, 10, 30, 30);
    nested.addRect(QRectF(15, 15, 10, 10));
    nested.setFillRule(Qt::WindingFill);
    auto px = coverOf(fill(c, r, nested, QRect(0, 0, 40, 40)));
    EXPECT_EQ(at(px, 20, 20), 255);
    nested.setFillRule(Qt::OddEvenFill);
    px = coverOf(fill(c, r, nested, QRect(0, 0, 40, 40)));
    EXPECT_EQ(at(px, 20, 20), 0);  // the hole
    EXPECT_EQ(at(px, 12, 20), 255);
}

// The nonzero winding number of poly around p, and whether p lies within
// `near` of one of its sides.
int windingAt(const std::vector<QPointF>& poly, QPointF p, double near, bool& onSide)
{
    int w = 0;
    onSide = false;
    for (size_t k = 0; k < poly.size(); ++k) {
        const QPointF a = poly[k], b = poly[(k + 1) % poly.size()];
        const QPointF d = b - a;
        const double len2 = d.x() * d.x() + d.y() * d.y();
        const double t = std::clamp(((p.x() - a.x()) * d.x() + (p.y() - a.y()) * d.y()) / len2, 0.0, 1.0);
        onSide = onSide || std::hypot(a.x() + t * d.x() - p.x(), a.y() + t * d.y() - p.y()) < near;
        if ((a.y() <= p.y()) != (b.y() <= p.y())) {
            const double x = a.x() + (p.y() - a.y()) * d.x() / d.y();
            if (x < p.x()) w += b.y() > a.y() ? 1 : -1;
        }
    }
    return w;
}

TEST(SwfCoverage, EveryPixelHoldsItsShareOfSixteenSamples)
{
    CoverageRaster c;
    ScanRaster r;
    std::mt19937 rng(3);
    // Star polygons with points on the twips grid (snapping leaves them),
    // sides of every slope, self-crossing ones among them, under both fill
    // rules. Each pixel's cover is the share of its 4 x 4 samples inside;
    // pixels with a sample within rounding of a side are left out.
    for (int shape = 0; shape < 60; ++shape) {
        const int n = 3 + shape % 9;
        const bool winding = shape % 2;
        const QPointF centre(20 + int(rng() % 200) / 20.0, 20 + int(rng() % 200) / 20.0);
        std::vector<QPointF> poly;
        QPainterPath path;
        path.setFillRule(winding ? Qt::WindingFill : Qt::OddEvenFill);
        for (int k = 0; k < n; ++k) {
            const double turn = shape % 3 == 0 ? 2.0 : 1.0;  // every third one crosses itself
            const double angle = 2 * M_PI * turn * (k + (rng() % 100) / 200.0) / n, radius = 2 + int(rng() % 300) / 20.0;
            const QPointF p(std::round((centre.x() + radius * std::cos(angle)) * 20) / 20,
                            std::round((centre.y() + radius * std::sin(angle)) * 20) / 20);
            poly.push_back(p);
            if (k == 0) path.moveTo(p);
            else path.lineTo(p);
        }
        path.closeSubpath();
        const auto px = coverOf(fill(c, r, path, QRect(0, 0, 64, 64)));
        int checked = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                int inside = 0;
                bool unsure = false;
                for (int j = 0; j < 4; ++j)
                    for (int i = 0; i < 4; ++i) {
                        bool onSide = false;
                        const int w = windingAt(poly, QPointF(x + (i + 0.5) / 4, y + (j + 0.5) / 4), 0.01, onSide);
                        unsure = unsure || onSide;
                        inside += winding ? w != 0 : (w & 1) != 0;
                    }
                if (unsure) continue;
                ++checked;
                ASSERT_EQ(at(px, x, y), CoverageRaster::levelOfSamples(inside)) << shape << " at " << x << "," << y;
            }
        EXPECT_GT(checked, 64 * 64 * 9 / 10);
    }
}

TEST(SwfCoverage, ClipKeepsCoverageCarriedFromTheLeft)
{
    CoverageRaster c;
    ScanRaster r;
    const QRect clip(10, 0, 20, 10);
    // Starts left of the clip: the pixels from the clip's edge on are covered.
    auto px = coverOf(fill(c, r, rect(-5, 1, 14.5, 2), clip));
    EXPECT_EQ(at(px, 10, 1), 255);
    EXPECT_EQ(at(px, 13, 1), 255);
    EXPECT_EQ(at(px, 14, 1), 128);
    EXPECT_EQ(at(px, 9, 1), 0);
    // Wholly outside, or absurdly far and large: nothing, and no hang.
    EXPECT_TRUE(fill(c, r, rect(-50, 1, -20, 2), clip).spans.empty());
    EXPECT_TRUE(fill(c, r, rect(1e12, 1e12, 2e12, 2e12), clip).spans.empty());
    px = coverOf(fill(c, r, rect(-1e9, -1e9, 1e9, 1e9), clip));
    EXPECT_EQ(px.size(), 200u);
    EXPECT_EQ(at(px, 29, 9), 255);
}

TEST(SwfCoverage, LargeAreasHaveNoSeams)
{
    CoverageRaster c;
    ScanRaster r;
    // 3000 x 2000 pixels: rows far apart look alike.
    const int seam = 1397;
    const CoverRuns& runs = fill(c, r, rect(0.5, 0.25, 2999.5, 1999.75), QRect(0, 0, 3000, 2000));
    // Half-covered pixels round to 128 / 255 along both sides.
    EXPECT_NEAR(total(runs), 2999.0 * 1999.5, 12);
    EXPECT_EQ(coverAt(runs, 100, seam - 1), 255);
    EXPECT_EQ(coverAt(runs, 100, seam), 255);
    EXPECT_EQ(coverAt(runs, 0, seam), 128);
    EXPECT_EQ(coverAt(runs, 2999, seam), 128);
    EXPECT_EQ(coverAt(runs, 100, 0), 191);
}

TEST(SwfCoverage, FramePixelBudgetRunsOutForFillsAndLines)
{
    // The pixels handed on count, not the areas swept: a fill that covers
    // the device, drawn over and over, stops after the budget's worth.
    const QRect clip(0, 0, 64, 48);
    const int64_t fills = pixelBudget(clip) / (64 * 48);
    ScanRaster r;
    CoverageRaster c;
    const QPainterPath all = rect(-10, -10, 100, 100);
    const auto& edges = r.buildEdges(all, QTransform());
    int64_t done = 0;
    while (done <= fills + 1 && !c.rasterize(edges, true, clip).spans.empty()) ++done;
    EXPECT_GE(done, fills);
    EXPECT_LE(done, fills + 1);
    EXPECT_TRUE(c.spent(clip));
    // A thin line across the whole device, drawn over and over, also ends;
    // a fresh rasterizer draws it again.
    QPainterPath diagonal;
    diagonal.moveTo(-5, -5);
    diagonal.lineTo(70, 53);
    HairlineRaster h;
    done = 0;
    while (done < fills * 64 && !h.rasterize(diagonal, QTransform(), 1, false, clip).spans.empty()) ++done;
    EXPECT_GT(done, fills);
    EXPECT_LT(done, fills * 64);
    EXPECT_FALSE(HairlineRaster().rasterize(diagonal, QTransform(), 1, false, clip).spans.empty());
}

TEST(SwfHairline, HorizontalAndDiagonalLinesCoverTheirWidth)
{
    HairlineRaster h;
    QPainterPath line;
    line.moveTo(2, 5.5);
    line.lineTo(12, 5.5);
    // A pixel-wide line along pixel centres: row 5, columns 2..11, fully.
    auto px = coverOf(h.rasterize(line, QTransform(), 1, false, QRect(0, 0, 20, 20)));
    for (int x = 2; x < 12; ++x) EXPECT_EQ(at(px, x, 5), 255) << x;
    EXPECT_EQ(at(px, 1, 5), 0);
    EXPECT_EQ(at(px, 12, 5), 0);
    EXPECT_EQ(at(px, 5, 4) + at(px, 5, 6), 0);
    // Between rows: split over both.
    QPainterPath between;
    between.moveTo(2, 6);
    between.lineTo(12, 6);
    px = coverOf(h.rasterize(between, QTransform(), 1, false, QRect(0, 0, 20, 20)));
    EXPECT_EQ(at(px, 5, 5), 128);
    EXPECT_EQ(at(px, 5, 6), 128);
    // Caps reach half the width past each end.
    px = coverOf(h.rasterize(line, QTransform(), 1, true, QRect(0, 0, 20, 20)));
    EXPECT_EQ(at(px, 1, 5), 128);
    EXPECT_EQ(at(px, 12, 5), 128);
    // At 45 degrees the ink is the line's area, whatever the slope.
    QPainterPath diagonal;
    diagonal.moveTo(3, 3);
    diagonal.lineTo(33, 33);
    EXPECT_NEAR(total(h.rasterize(diagonal, QTransform(), 1, false, QRect(0, 0, 40, 40))), 30 * std::sqrt(2.0), 0.5);
}

TEST(SwfHairline, JoinsAndOverlapsAreCoveredOnce)
{
    HairlineRaster h;
    // Back and forth over the same pixels: still full, not more.
    QPainterPath zigzag;
    zigzag.moveTo(2, 5.5);
    zigzag.lineTo(12, 5.5);
    zigzag.lineTo(4, 5.5);
    auto px = coverOf(h.rasterize(zigzag, QTransform(), 1, false, QRect(0, 0, 20, 20)));
    EXPECT_EQ(at(px, 6, 5), 255);
    // A polyline of short pieces covers as one straight line.
    QPainterPath pieces;
    pieces.moveTo(2, 5.5);
    for (double x = 2.3; x < 12; x += 0.3) pieces.lineTo(x, 5.5);
    pieces.lineTo(12, 5.5);
    px = coverOf(h.rasterize(pieces, QTransform(), 1, false, QRect(0, 0, 20, 20)));
    for (int x = 2; x < 12; ++x) EXPECT_EQ(at(px, x, 5), 255) << x;
    // Far outside the clip or with broken coordinates: nothing.
    QPainterPath far;
    far.moveTo(-1e15, 3);
    far.lineTo(1e15, 3.5);
    far.lineTo(std::numeric_limits<double>::quiet_NaN(), 4);
    px = coverOf(h.rasterize(far, QTransform(), 1, false, QRect(0, 0, 20, 20)));
    for (const auto& [p, a] : px) {
        EXPECT_GE(p.first, 0);
        EXPECT_LT(p.first, 20);
    }
}

TEST(SwfHairline, ShallowLinesCoverTheBandInEveryWholeColumn)
{
    HairlineRaster h;
    // Rising and falling, and cut by a clip that ends inside the line.
    for (const double rise : {0.3, -0.45, 0.95}) {
        for (const QRect clip : {QRect(0, 0, 80, 80), QRect(0, 0, 80, 22)}) {
            const QPointF a(1.3, 30.2), b(71.7, 30.2 + 70.4 * rise);
            QPainterPath line;
            line.moveTo(a);
            line.lineTo(b);
            const auto px = coverOf(h.rasterize(line, QTransform(), 1, false, clip));
            const double half = std::sqrt(1 + rise * rise) / 2;
            for (int x = 2; x < 71; ++x) {
                const double vc = a.y() + rise * (x + 0.5 - a.x());
                for (int y = clip.top(); y <= clip.bottom(); ++y) {
                    const double exact = std::max(0.0, std::min(vc + half, y + 1.0) - std::max(vc - half, double(y)));
                    ASSERT_NEAR(at(px, x, y), exact * 255, 1.0) << rise << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(SwfCanvas, BlendsPremultipliedColoursOverThePixels)
{
    QImage img(8, 4, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    Canvas canvas(img);
    // Opaque red over white, full and half covered.
    canvas.blendSolidRun(0, 0, 8, 255, 0xffff0000u);
    canvas.blendSolidRun(1, 0, 8, 128, 0xffff0000u);
    EXPECT_EQ(img.pixel(5, 0), 0xffff0000u);
    EXPECT_EQ(img.pixel(5, 1), 0xffff7f7fu);
    // Half-transparent blue (premultiplied) over white, then per pixel.
    canvas.blendSolidRun(2, 0, 8, 255, 0x80000080u);
    EXPECT_EQ(img.pixel(6, 2), 0xff7f7fffu);
    const uint8_t alpha[8] = {0, 255, 128, 0, 255, 64, 0, 255};
    canvas.blendSolidMask(3, 0, 8, alpha, 0xff000000u);
    EXPECT_EQ(img.pixel(0, 3), 0xffffffffu);
    EXPECT_EQ(img.pixel(1, 3), 0xff000000u);
    EXPECT_EQ(img.pixel(2, 3), 0xff7f7f7fu);
    EXPECT_EQ(img.pixel(5, 3), 0xffbfbfbfu);
    EXPECT_EQ(img.pixel(7, 3), 0xff000000u);
}

TEST(SwfCanvas, EveryBlendPathRoundsAsTheOnePixelRule)
{
    std::mt19937 rng(11);
    auto premultiplied = [&] {
        const uint32_t a = rng() % 256;
        uint32_t p = a << 24;
        for (int shift = 0; shift < 24; shift += 8) p |= (rng() % (a + 1)) << shift;
        return p;
    };
    // Lengths that end in the 8-wide, 4-wide and one-pixel steps.
    for (int n = 1; n <= 37; ++n) {
        std::vector<QRgb> dst(static_cast<size_t>(n)), src(static_cast<size_t>(n));
        std::vector<uint8_t> alpha(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            dst[size_t(i)] = premultiplied();
            src[size_t(i)] = premultiplied();
            alpha[size_t(i)] = uint8_t(i % 5 == 0 ? 0 : i % 7 == 0 ? 255 : rng() % 256);
        }
        const QRgb solid = premultiplied();
        const uint8_t cover = uint8_t(rng() % 256);
        std::vector<QRgb> mask = dst, run = dst, row = dst, rowCover = dst;
        blend::solidMask(mask.data(), n, alpha.data(), solid);
        blend::solidRun(run.data(), n, cover, solid);
        blend::colours(row.data(), n, alpha.data(), 0, src.data());
        blend::colours(rowCover.data(), n, nullptr, cover, src.data());
        for (int i = 0; i < n; ++i) {
            const QRgb d = dst[size_t(i)];
            ASSERT_EQ(mask[size_t(i)], blend::pixel(d, solid, alpha[size_t(i)])) << n << " " << i;
            ASSERT_EQ(run[size_t(i)], blend::pixel(d, solid, cover)) << n << " " << i;
            ASSERT_EQ(row[size_t(i)], blend::pixel(d, src[size_t(i)], alpha[size_t(i)])) << n << " " << i;
            ASSERT_EQ(rowCover[size_t(i)], blend::pixel(d, src[size_t(i)], cover)) << n << " " << i;
            if (alpha[size_t(i)] == 0) {
                EXPECT_EQ(mask[size_t(i)], d);
            }
        }
    }
    // The rule itself is source-over within one step of exact arithmetic.
    for (int k = 0; k < 20000; ++k) {
        const QRgb d = premultiplied(), s = premultiplied();
        const uint32_t a = rng() % 256;
        const QRgb out = blend::pixel(d, s, a);
        const double sa = (s >> 24) * a / 255.0 / 255.0;
        for (int shift = 0; shift < 32; shift += 8) {
            const double exact = ((s >> shift) & 255) * a / 255.0 + ((d >> shift) & 255) * (1 - sa);
            ASSERT_NEAR(double((out >> shift) & 255), exact, 1.0) << std::hex << d << " " << s << " " << a;
        }
    }
}

TEST(SwfCanvas, BitmapFillsRepeatOrTakeTheirEdges)
{
    QImage bitmap(2, 2, QImage::Format_ARGB32_Premultiplied);
    bitmap.setPixel(0, 0, 0xffff0000u);
    bitmap.setPixel(1, 0, 0xff00ff00u);
    bitmap.setPixel(0, 1, 0xff0000ffu);
    bitmap.setPixel(1, 1, 0xff000000u);
    QImage img(8, 2, QImage::Format_ARGB32_Premultiplied);
    CoverRuns runs;
    runs.spans = {{0, 0, 8, 255, -1}, {1, 0, 8, 255, -1}};
    Canvas canvas(img);
    // One texel per pixel, the bitmap's origin at pixel 0.
    canvas.fillBitmap(runs, bitmap, QTransform(), true, false);
    EXPECT_EQ(img.pixel(4, 0), 0xffff0000u);
    EXPECT_EQ(img.pixel(5, 0), 0xff00ff00u);
    EXPECT_EQ(img.pixel(5, 1), 0xff000000u);
    canvas.fillBitmap(runs, bitmap, QTransform(), false, false);
    EXPECT_EQ(img.pixel(4, 0), 0xff00ff00u);
    EXPECT_EQ(img.pixel(7, 1), 0xff000000u);
    // Smoothed, halfway between the two texels of the first row.
    canvas.fillBitmap(runs, bitmap, QTransform::fromScale(2, 1).translate(-0.25, 0), false, true);
    const QRgb mid = img.pixel(1, 0);
    EXPECT_NEAR(qRed(mid), 128, 2);
    EXPECT_NEAR(qGreen(mid), 128, 2);
    // A matrix that maps everything to a point is skipped.
    img.fill(Qt::white);
    canvas.fillBitmap(runs, bitmap, QTransform(0, 0, 0, 0, 1, 1), true, true);
    EXPECT_EQ(img.pixel(3, 1), 0xffffffffu);
}

TEST(SwfCanvas, GradientRunsMatchTheTable)
{
    FillStyle f;
    f.kind = FillStyle::Linear;
    f.stops = {{0, QColor(255, 0, 0)}, {255, QColor(0, 0, 255)}};
    GradientRamp ramp;
    buildGradientRamp(f, CxForm(), ramp);
    // The gradient square across 64 pixels.
    const QTransform toDevice = QTransform::fromScale(64 / 32768.0, 1).translate(16384, 0);
    QImage img(64, 1, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    CoverRuns runs;
    runs.spans = {{0, 0, 64, 255, -1}};
    Canvas(img).fillGradient(runs, f, ramp, toDevice);
    std::vector<QRgb> expected(64);
    shadeGradientRow(f, ramp, toDevice.inverted(), 0, 0, 64, expected.data());
    for (int x = 0; x < 64; ++x) EXPECT_EQ(img.pixel(x, 0), expected[size_t(x)]) << x;
    EXPECT_GT(qRed(img.pixel(1, 0)), 240);
    EXPECT_GT(qBlue(img.pixel(62, 0)), 240);
}

TEST(SwfCanvas, OnlyPlainImagesPaintedPlainlyAreWrittenDirectly)
{
    QImage premultiplied(4, 4, QImage::Format_ARGB32_Premultiplied), straight(4, 4, QImage::Format_ARGB32);
    {
        QPainter p(&premultiplied);
        EXPECT_EQ(Canvas::target(p), &premultiplied);
        p.setClipRect(0, 0, 2, 2);
        EXPECT_EQ(Canvas::target(p), nullptr);
        p.setClipping(false);
        p.setOpacity(0.5);
        EXPECT_EQ(Canvas::target(p), nullptr);
    }
    QPainter p(&straight);
    EXPECT_EQ(Canvas::target(p), nullptr);
}
