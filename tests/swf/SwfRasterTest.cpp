// The aliased scanline rasterizer: which pixels a path owns.
#include "swf/SwfMath.h"
#include "swf/SwfRaster.h"

#include <gtest/gtest.h>
#include <cmath>
#include <limits>
#include <random>
#include <set>

using vx::swf::ScanRaster;
using vx::swf::Span;

namespace {

std::set<std::pair<int, int>> pixels(const std::vector<Span>& spans)
{
    std::set<std::pair<int, int>> out;
    for (const Span& s : spans)
        for (int x = s.x0; x < s.x1; ++x) out.insert({x, s.y});
    return out;
}

QPainterPath rect(double x0, double y0, double x1, double y1)
{
    QPainterPath p;
    p.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
    return p;
}

// A circle from eight quadratic arcs.
QPainterPath quadCircle(double cx, double cy, double rad)
{
    QPainterPath circle;
    const double k = rad / std::cos(M_PI / 8);
    circle.moveTo(cx + rad, cy);
    for (int i = 0; i < 8; ++i) {
        const double a1 = (i + 0.5) * M_PI / 4, a2 = (i + 1) * M_PI / 4;
        circle.quadTo(cx + k * std::cos(a1), cy + k * std::sin(a1), cx + rad * std::cos(a2), cy + rad * std::sin(a2));
    }
    return circle;
}

}  // namespace

// Centres exactly on an edge go to the left and top edges only, so two shapes
// sharing an edge never both take (or both miss) a pixel.
TEST(SwfRaster, PixelCentresWithTopLeftRule)
{
    ScanRaster r;
    const QRect clip(0, 0, 10, 10);
    EXPECT_EQ(pixels(r.rasterize(rect(1, 1, 3, 3), QTransform(), clip)),
              (std::set<std::pair<int, int>>{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
    EXPECT_EQ(pixels(r.rasterize(rect(1.5, 1.5, 3.5, 3.5), QTransform(), clip)),
              (std::set<std::pair<int, int>>{{1, 1}, {2, 1}, {1, 2}, {2, 2}}));
    const auto left = pixels(r.rasterize(rect(0, 0, 4.5, 5), QTransform(), clip));
    const auto right = pixels(r.rasterize(rect(4.5, 0, 9, 5), QTransform(), clip));
    for (const auto& px : left) EXPECT_FALSE(right.count(px));
    EXPECT_EQ(left.size() + right.size(), 9u * 5u);
    // Thinner than a pixel and between centres: nothing.
    EXPECT_TRUE(r.rasterize(rect(2.6, 0, 3.4, 5), QTransform(), clip).empty());
}

// Vertices sit on the twips grid (1/20 pixel): an edge 0.014 px beyond a
// centre counts as running through it.
TEST(SwfRaster, VerticesOnTheTwipsGrid)
{
    ScanRaster r;
    const auto px = pixels(r.rasterize(rect(135.486, 0, 137.514, 1), QTransform(), QRect(130, 0, 20, 1)));
    EXPECT_EQ(px, (std::set<std::pair<int, int>>{{135, 0}, {136, 0}}));
}

TEST(SwfRaster, FillRulesAndTransform)
{
    ScanRaster r;
    QPainterPath p = rect(0, 0, 6, 2);
    p.addRect(QRectF(2, 0, 2, 2));  // same direction: a hole only for odd-even
    const QRect clip(0, 0, 10, 10);
    EXPECT_EQ(pixels(r.rasterize(p, QTransform(), clip)).size(), 8u);
    p.setFillRule(Qt::WindingFill);
    EXPECT_EQ(pixels(r.rasterize(p, QTransform(), clip)).size(), 12u);
    // Mapped by the transform: twice as wide, moved down.
    const auto px = pixels(r.rasterize(rect(0, 0, 2, 1), QTransform(2, 0, 0, 1, 0, 3), clip));
    EXPECT_EQ(px, (std::set<std::pair<int, int>>{{0, 3}, {1, 3}, {2, 3}, {3, 3}}));
    // A circle of radius 4: curves are flattened close to the true outline.
    QPainterPath circle;
    circle.addEllipse(QPointF(50, 50), 40, 40);
    const size_t n = pixels(r.rasterize(circle, QTransform(), QRect(0, 0, 100, 100))).size();
    EXPECT_NEAR(double(n), M_PI * 1600, 60);
}

// Hostile coordinates: huge, infinite or NaN ones are clipped or dropped,
// never turned into out-of-range spans.
TEST(SwfRaster, HostileCoordinatesStayInsideTheClip)
{
    ScanRaster r;
    const QRect clip(0, 0, 16, 8);
    const auto& all = r.rasterize(rect(-1e100, -1e100, 1e100, 1e100), QTransform(), clip);
    EXPECT_EQ(pixels(all).size(), 16u * 8u);
    for (const Span& s : all) {
        EXPECT_TRUE(clip.contains(s.x0, s.y));
        EXPECT_LE(s.x1, clip.right() + 1);
    }
    const double inf = std::numeric_limits<double>::infinity(), nan = std::nan("");
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(inf, 4);
    p.lineTo(nan, nan);
    p.lineTo(3, 7);
    p.cubicTo(nan, 1, 1e100, -1e100, 2, 2);
    for (const Span& s : r.rasterize(p, QTransform(), clip)) {
        EXPECT_TRUE(clip.contains(s.x0, s.y));
        EXPECT_LE(s.x1, clip.right() + 1);
    }
    EXPECT_TRUE(r.rasterize(rect(0, 0, 5, 5), QTransform(), QRect()).empty());
}

// Quadratic curves: the chords of a convex curve stay inside it, never more
// than a tenth of a pixel away; degenerate curves (control point on the
// chord, all points equal, huge or non-finite values) neither hang nor crash.
TEST(SwfRaster, QuadraticCurvesFlattenWithinTolerance)
{
    const double cx = 32, cy = 32, rad = 20;
    const QPainterPath circle = quadCircle(cx, cy, rad);
    ScanRaster r;
    const auto px = pixels(r.rasterize(circle, QTransform(), QRect(0, 0, 64, 64)));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
            if (d > rad + 0.06) {
                EXPECT_FALSE(px.count({x, y})) << x << "," << y;  // twips rounding only
            }
            if (d < rad - 0.16) {
                EXPECT_TRUE(px.count({x, y})) << x << "," << y;
            }
        }

    const double inf = std::numeric_limits<double>::infinity();
    for (const QPointF c : {QPointF(5, 5), QPointF(0, 0), QPointF(1e300, -1e300), QPointF(inf, 3)}) {
        QPainterPath p;
        p.moveTo(0, 0);
        p.quadTo(c, QPointF(10, 10));
        p.lineTo(0, 10);
        r.rasterize(p, QTransform(), QRect(0, 0, 16, 16));
    }
}

// A curve tolerance in the path's own units scales with the transform, but
// never cuts coarser than half a device pixel.
TEST(SwfRaster, CurveToleranceInPathUnits)
{
    ScanRaster r;
    const QRect clip(0, 0, 64, 64);
    const auto device = pixels(r.rasterize(quadCircle(32, 32, 20), QTransform(), clip));
    EXPECT_EQ(pixels(r.rasterize(quadCircle(640, 640, 400), QTransform::fromScale(0.05, 0.05), clip, 2)), device);
    const auto coarse = pixels(r.rasterize(quadCircle(32, 32, 20), QTransform(), clip, 0.5));
    EXPECT_EQ(pixels(r.rasterize(quadCircle(32, 32, 20), QTransform(), clip, 50)), coarse);
    for (const auto& px : coarse) EXPECT_TRUE(device.count(px));
    // Finer cuts reach further out on a convex curve, never less far.
    const auto fine = pixels(r.rasterize(quadCircle(32, 32, 20), QTransform(), clip, 0.001));
    for (const auto& px : device) EXPECT_TRUE(fine.count(px));
    EXPECT_GT(fine.size(), device.size());
}

// Flattening keeps lines and real cubics, cuts quadratics into lines whose
// points lie on the curve, and ends each curve exactly at its end point.
TEST(SwfRaster, FlattenQuadraticsForOutlines)
{
    QPainterPath p;
    p.moveTo(0, 0);
    p.lineTo(10, 0);
    p.quadTo(QPointF(20, 0), QPointF(20, 10));
    p.cubicTo(QPointF(20, 20), QPointF(0, 30), QPointF(0, 10));
    const QPainterPath flat = ScanRaster::flattenQuadratics(p, 0.05);
    int lines = 0, cubics = 0;
    bool reachedEnd = false;
    for (int i = 0; i < flat.elementCount(); ++i) {
        const auto& e = flat.elementAt(i);
        if (e.type == QPainterPath::CurveToElement) ++cubics;
        if (e.type != QPainterPath::LineToElement) continue;
        ++lines;
        if (e.x == 20 && e.y == 10) reachedEnd = true;
        if (e.x > 10 && e.y < 10) {
            // On the parabola (10 + 20t - 10t^2, 10t^2): y = 10 t^2.
            const double t = std::sqrt(e.y / 10);
            EXPECT_NEAR(e.x, 10 + 20 * t - 10 * t * t, 1e-9);
        }
    }
    EXPECT_TRUE(reachedEnd);
    EXPECT_EQ(cubics, 1);
    EXPECT_GT(lines, 4);
    // Degenerate tolerances fall back to a sane cut, never an endless one.
    for (double tol : {0.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 1e-300})
        EXPECT_LE(ScanRaster::flattenQuadratics(p, tol).elementCount(), 300);
}

// One rasterizer serves one frame: past its edge budget it builds nothing,
// so a tiny movie that places the same curves over and over stays quick.
TEST(SwfRaster, FrameEdgeBudgetRunsOut)
{
    QPainterPath zigzag;
    zigzag.moveTo(0, 0);
    for (int i = 1; i <= 100000; ++i) zigzag.lineTo(i % 97, i % 2 ? 50 : 0);
    ScanRaster r;
    size_t built = 0;
    for (int k = 0; k < 30; ++k) built += r.buildEdges(zigzag, QTransform()).size();
    EXPECT_LE(built, vx::swf::kMaxEdgesPerRaster);
    EXPECT_GT(built, vx::swf::kMaxEdgesPerRaster - 100001);
    EXPECT_TRUE(r.buildEdges(zigzag, QTransform()).empty());
    EXPECT_TRUE(r.rasterize(zigzag, QTransform(), QRect(0, 0, 100, 100)).empty());
    ScanRaster fresh;
    EXPECT_FALSE(fresh.rasterize(zigzag, QTransform(), QRect(0, 0, 100, 100)).empty());
}

// The rounding the grid snapping uses agrees with the library's, halves and
// the values next to them included, at every magnitude.
TEST(SwfRaster, RoundingWithoutLibraryCallsMatchesTheLibrary)
{
    std::vector<double> values = {0.5, -0.5, 1.5, -1.5, 2.5, 0.49999999999999994, -0.49999999999999994, 0, 0.25,
                                  4503599627370495.5, -4503599627370495.5, 2251799813685247.5, 1e15 + 0.5, 4.5e15,
                                  1e300, -1e300, std::numeric_limits<double>::infinity()};
    for (double k = 0.5; k < 1e15; k *= 3.7) {
        values.push_back(k);
        values.push_back(std::nextafter(k, 0.0));
        values.push_back(std::nextafter(k, 1e300));
    }
    std::mt19937_64 rng(5);
    for (int i = 0; i < 200000; ++i) {
        const double scale = std::pow(10.0, double(i % 14));
        values.push_back((double(rng() % 2000001) / 1000000.0 - 1) * scale);
        values.push_back(double(int64_t(rng() % 20001) - 10000) / 2);  // exact halves
    }
    for (double v : values) {
        for (double x : {v, -v}) {
            ASSERT_EQ(vx::swf::roundAway(x), std::round(x)) << x;
            ASSERT_EQ(vx::swf::floorFast(x), std::floor(x)) << x;
        }
    }
}

// A shape covering the device, filled over and over, stops being given out
// once the frame's pixels are spent; a fresh rasterizer starts again.
TEST(SwfRaster, FramePixelBudgetRunsOut)
{
    const QRect clip(0, 0, 64, 48);
    QPainterPath all;
    all.addRect(QRectF(-10, -10, 100, 100));
    const int64_t fills = vx::swf::pixelBudget(clip) / (64 * 48);
    ScanRaster r;
    int64_t done = 0;
    while (done <= fills + 1 && !r.rasterize(all, QTransform(), clip).empty()) ++done;
    EXPECT_GE(done, fills);
    EXPECT_LE(done, fills + 1);
    EXPECT_FALSE(ScanRaster().rasterize(all, QTransform(), clip).empty());
}
