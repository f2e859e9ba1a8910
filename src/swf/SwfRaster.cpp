#include "swf/SwfRaster.h"
#include "swf/SwfMath.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vx::swf {

namespace {

// Curves are flattened to within this distance of the true curve.
constexpr double kFlatness = 0.05;
// Quadratic curves are cut where the parabola bends, each piece within this
// distance of the curve (a finer cut moves edge pixels outward). A tolerance
// given in the shape's units is kept below half a pixel, so that a strongly
// magnified shape still looks round, and holds however small the shape is
// drawn: glyphs scaled down from their large em square are cut as finely
// as their units say, which decides pixels whose centres lie within a few
// thousandths of a pixel of a nearly straight curve.
constexpr double kQuadFlatness = 0.1;
constexpr double kMinQuadFlatness = 1.0 / 4096;
constexpr double kMaxQuadFlatness = 0.5;
constexpr int kMaxCurveSegments = 256;
// A curve exactly at the tolerance from its chord counts as flat, whatever
// the rounding of its end points on the twips grid.
constexpr double kTolSlack = 1e-4;

// Device coordinates are kept in twips (1/20 pixel), as the movie's own
// units: a vertex lands on that grid before it is scan converted.
constexpr double kGrid = 20;
// Crossings are exact multiples of a small fraction of a twip; rounding in
// the slope must not move a centre that lies exactly on an edge to the
// other side of it.
constexpr double kTie = 1e-7;

// Edges are then scan converted with 8 bits of subpixel precision: every end
// point, also those cut from curves, is rounded to 1/256 pixel.
constexpr double kSubpixel = 256;

// Maps points by a transform, inline for the affine ones that movies use.
struct PointMap {
    const QTransform& m;
    bool affine = m.isAffine();
    QPointF operator()(QPointF p) const
    {
        if (!affine) return m.map(p);
        return QPointF(m.m11() * p.x() + m.m21() * p.y() + m.dx(), m.m12() * p.x() + m.m22() * p.y() + m.dy());
    }
};

QPointF snap(QPointF p)
{
    return QPointF(roundAway(p.x() * kGrid) / kGrid, roundAway(p.y() * kGrid) / kGrid);
}

QPointF subpixel(QPointF p)
{
    return QPointF(roundAway(p.x() * kSubpixel) / kSubpixel, roundAway(p.y() * kSubpixel) / kSubpixel);
}

}  // namespace

void ScanRaster::addLine(QPointF a, QPointF b)
{
    if (edgeBudget_ == 0) return;
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y())) return;
    a = subpixel(a);
    b = subpixel(b);
    if (a.y() == b.y()) return;
    --edgeBudget_;
    Edge e;
    e.dir = a.y() < b.y() ? 1 : -1;
    if (e.dir < 0) std::swap(a, b);
    e.x0 = a.x();
    e.y0 = a.y();
    e.y1 = b.y();
    e.dxdy = (b.x() - a.x()) / (b.y() - a.y());
    edges_.push_back(e);
}

namespace {

// Approximations of the integral of the parabola's curvature measure and its
// inverse; segments of equal measure have about equal chord error.
double parabolaIntegral(double x)
{
    constexpr double d = 0.67;
    return x / (1 - d + std::sqrt(std::sqrt(d * d * d * d + 0.25 * x * x)));
}

double parabolaInverse(double x)
{
    constexpr double b = 0.39;
    return x * (1 - b + std::sqrt(b * b + 0.25 * x * x));
}

// The movie's curves are quadratic; a path holds them raised to cubics
// a-c1-c2-b. True, with the quadratic's control point, when the cubic is
// such a raised quadratic: both controls then lead back to the same point.
bool quadraticControl(QPointF a, QPointF c1, QPointF c2, QPointF b, QPointF& control)
{
    const QPointF qa = (3 * c1 - a) / 2, qb = (3 * c2 - b) / 2;
    const double eps = 1e-6 * (1 + std::abs(qa.x()) + std::abs(qa.y()));
    if (!(std::abs(qa.x() - qb.x()) <= eps && std::abs(qa.y() - qb.y()) <= eps)) return false;
    control = (qa + qb) / 2;
    return true;
}

// Calls out with the points (ends excluded) that cut the quadratic curve
// a-c-b into pieces within tol of it, placed where the parabola bends.
template <class Emit>
void cutQuad(QPointF a, QPointF c, QPointF b, double tol, Emit&& out)
{
    const double ddx = 2 * c.x() - a.x() - b.x(), ddy = 2 * c.y() - a.y() - b.y();
    const double u0 = (c.x() - a.x()) * ddx + (c.y() - a.y()) * ddy;
    const double u2 = (b.x() - c.x()) * ddx + (b.y() - c.y()) * ddy;
    const double cross = (b.x() - a.x()) * ddy - (b.y() - a.y()) * ddx;
    const double x0 = u0 / cross, x2 = u2 / cross;
    const double scale = std::abs(cross) / (std::hypot(ddx, ddy) * std::abs(x2 - x0));
    const double a0 = parabolaIntegral(x0), a2 = parabolaIntegral(x2);
    // The pieces: half the measure between the ends, scaled. A curve that
    // turns back on itself (its vertex between the ends) gets no more than
    // that either: its tip is cut short, as the player we compare with cuts it.
    const double val = std::isfinite(scale) ? std::abs(a2 - a0) * std::sqrt(scale) : 0;
    double nf = std::ceil(0.5 * val / std::sqrt(tol));
    if (std::isnan(nf)) nf = 1;
    // A curve that strays no farther than tol from its chord is the chord:
    // its farthest point lies half as far from it as the control point
    // (cross is twice the parallelogram of chord and control).
    const double chord = std::hypot(b.x() - a.x(), b.y() - a.y());
    if (chord > 0 && std::abs(cross) <= 4 * tol * chord * (1 + kTolSlack)) nf = 1;
    const int n = int(std::clamp(nf, 1.0, double(kMaxCurveSegments)));
    const double v0 = parabolaInverse(a0), v2 = parabolaInverse(a2);
    const double vscale = 1 / (v2 - v0);
    for (int i = 1; i < n; ++i) {
        const double ai = a0 + (a2 - a0) * (double(i) / n);
        const double t = (parabolaInverse(ai) - v0) * vscale;
        const double u = 1 - t;
        out(u * u * a + 2 * u * t * c + t * t * b);
    }
}

// Calls out with the points (ends excluded) that cut the cubic curve
// a-c1-c2-b into equal steps of t, each within tol of it.
template <class Emit>
void cutCubic(QPointF a, QPointF c1, QPointF c2, QPointF b, double tol, Emit&& out)
{
    const QPointF d1 = a - 2 * c1 + c2, d2 = c1 - 2 * c2 + b;
    const double dd = std::max(std::hypot(d1.x(), d1.y()), std::hypot(d2.x(), d2.y()));
    double nf = std::ceil(std::sqrt(0.75 * dd / tol));
    if (!std::isfinite(nf)) nf = 1;
    const int n = int(std::clamp(nf, 1.0, double(kMaxCurveSegments)));
    for (int i = 1; i < n; ++i) {
        const double t = double(i) / n, u = 1 - t;
        out(u * u * u * a + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * b);
    }
}

}  // namespace

void ScanRaster::addCurve(QPointF a, QPointF aRaw, QPointF c1, QPointF c2, QPointF bRaw, QPointF b)
{
    // A raised quadratic: flatten the parabola directly.
    QPointF control;
    if (quadraticControl(aRaw, c1, c2, bRaw, control)) {
        addQuad(a, control, b);
        return;
    }
    QPointF prev = a;
    cutCubic(a, c1, c2, b, kFlatness, [&](QPointF q) {
        addLine(prev, q);
        prev = q;
    });
    addLine(prev, b);
}


void ScanRaster::addQuad(QPointF a, QPointF c, QPointF b)
{
    QPointF prev = a;
    cutQuad(a, c, b, quadTolerance_, [&](QPointF q) {
        addLine(prev, q);
        prev = q;
    });
    addLine(prev, b);
}

void ScanRaster::polylines(const QPainterPath& path, const QTransform& m, double tolerance,
                           std::vector<QPointF>& points, std::vector<int>& starts)
{
    const PointMap map{m};
    points.clear();
    starts.clear();
    if (!(tolerance > 0) || !std::isfinite(tolerance)) tolerance = kQuadFlatness;
    QPointF curRaw;
    const int n = path.elementCount();
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& el = path.elementAt(i);
        const QPointF raw(el.x, el.y);
        const QPointF p = map(raw);
        switch (el.type) {
        case QPainterPath::MoveToElement:
            starts.push_back(int(points.size()));
            points.push_back(p);
            break;
        case QPainterPath::LineToElement:
            if (starts.empty()) {
                starts.push_back(0);
                points.push_back(map(curRaw));
            }
            points.push_back(p);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < n) {
                if (starts.empty()) {
                    starts.push_back(0);
                    points.push_back(map(curRaw));
                }
                const QPointF c2Raw(path.elementAt(i + 1).x, path.elementAt(i + 1).y);
                const QPointF bRaw(path.elementAt(i + 2).x, path.elementAt(i + 2).y);
                const QPointF a = map(curRaw), c1 = p, c2 = map(c2Raw), b = map(bRaw);
                QPointF control;
                if (quadraticControl(a, c1, c2, b, control)) {
                    cutQuad(a, control, b, tolerance, [&](QPointF q) { points.push_back(q); });
                } else {
                    cutCubic(a, c1, c2, b, tolerance, [&](QPointF q) { points.push_back(q); });
                }
                points.push_back(b);
                curRaw = bRaw;
                i += 2;
            }
            continue;
        case QPainterPath::CurveToDataElement:
            continue;
        }
        curRaw = raw;
    }
}

QPainterPath ScanRaster::flattenQuadratics(const QPainterPath& path, double tolerance)
{
    QPainterPath out;
    out.setFillRule(path.fillRule());
    if (!(tolerance > 0) || !std::isfinite(tolerance)) tolerance = kQuadFlatness;
    QPointF cur;
    const int n = path.elementCount();
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element& el = path.elementAt(i);
        const QPointF p(el.x, el.y);
        switch (el.type) {
        case QPainterPath::MoveToElement:
            out.moveTo(p);
            cur = p;
            break;
        case QPainterPath::LineToElement:
            out.lineTo(p);
            cur = p;
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < n) {
                const QPointF c2(path.elementAt(i + 1).x, path.elementAt(i + 1).y);
                const QPointF b(path.elementAt(i + 2).x, path.elementAt(i + 2).y);
                QPointF control;
                if (quadraticControl(cur, p, c2, b, control))
                    cutQuad(cur, control, b, tolerance, [&](QPointF q) { out.lineTo(q); });
                else
                    out.cubicTo(p, c2, b);
                out.lineTo(b);
                cur = b;
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    return out;
}

const std::vector<ScanRaster::Edge>& ScanRaster::buildEdges(const QPainterPath& path, const QTransform& m,
                                                            double curveTolerance)
{
    quadTolerance_ = kQuadFlatness;
    if (curveTolerance > 0) {
        const double t = curveTolerance * std::sqrt(std::abs(m.determinant()));
        if (std::isfinite(t)) quadTolerance_ = std::clamp(t, kMinQuadFlatness, kMaxQuadFlatness);
    }
    const PointMap map{m};
    edges_.clear();
    edgeBudget_ = std::min(kMaxRasterEdges, kMaxEdgesPerRaster - std::min(spent_, kMaxEdgesPerRaster));
    if (edgeBudget_ == 0) return edges_;
    // Vertices land on the twips grid; a curve's control point stays where
    // the transform puts it, and the points cut from the curve are exact.
    QPointF start, cur, curRaw;
    bool open = false;
    const int n = path.elementCount();
    for (int i = 0; i < n && edgeBudget_ > 0; ++i) {
        const QPainterPath::Element& el = path.elementAt(i);
        const QPointF raw = map(QPointF(el.x, el.y));
        const QPointF p = grid_ ? snap(raw) : raw;
        switch (el.type) {
        case QPainterPath::MoveToElement:
            if (open) addLine(cur, start);
            start = cur = p;
            curRaw = raw;
            open = true;
            break;
        case QPainterPath::LineToElement:
            addLine(cur, p);
            cur = p;
            curRaw = raw;
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < n) {
                const QPainterPath::Element& e2 = path.elementAt(i + 1);
                const QPainterPath::Element& e3 = path.elementAt(i + 2);
                const QPointF c2 = map(QPointF(e2.x, e2.y)), bRaw = map(QPointF(e3.x, e3.y));
                const QPointF b = grid_ ? snap(bRaw) : bRaw;
                addCurve(cur, curRaw, raw, c2, bRaw, b);
                cur = b;
                curRaw = bRaw;
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    if (open) addLine(cur, start);
    spent_ += edges_.size();
    return edges_;
}

const std::vector<Span>& ScanRaster::rasterize(const QPainterPath& path, const QTransform& m, const QRect& clip,
                                               double curveTolerance)
{
    spans_.clear();
    if (pixelsSpent_ > pixelBudget(clip)) return spans_;
    buildEdges(path, m, curveTolerance);
    if (edges_.empty() || clip.isEmpty()) return spans_;

    std::sort(edges_.begin(), edges_.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    double minY = edges_.front().y0, maxY = minY;
    for (const Edge& e : edges_) maxY = std::max(maxY, e.y1);
    const double top = std::max(double(clip.top()), std::floor(minY - 0.5));
    const double bottom = std::min(double(clip.bottom()), std::ceil(maxY));
    if (top > bottom) return spans_;
    const bool winding = path.fillRule() == Qt::WindingFill;
    active_.clear();
    size_t next = 0;
    for (int y = int(top); y <= int(bottom); ++y) {
        const double yc = y + 0.5;
        while (next < edges_.size() && edges_[next].y0 <= yc) active_.push_back(next++);
        crossings_.clear();
        size_t keep = 0;
        for (size_t k = 0; k < active_.size(); ++k) {
            const Edge& e = edges_[active_[k]];
            if (e.y1 <= yc) continue;  // finished: the bottom end is not part of the edge
            active_[keep++] = active_[k];
            crossings_.emplace_back(e.x0 + (yc - e.y0) * e.dxdy, e.dir);
        }
        active_.resize(keep);
        if (crossings_.size() < 2) continue;
        std::sort(crossings_.begin(), crossings_.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        int w = 0;
        for (size_t k = 0; k + 1 < crossings_.size(); ++k) {
            w += crossings_[k].second;
            const bool inside = winding ? w != 0 : (w & 1) != 0;
            if (!inside) continue;
            // Pixels whose sample point lies in [left, right).
            const double l = std::ceil(crossings_[k].first - 0.5 - kTie);
            const double r = std::ceil(crossings_[k + 1].first - 0.5 - kTie);
            const int x0 = int(std::clamp(l, double(clip.left()), double(clip.right()) + 1));
            const int x1 = int(std::clamp(r, double(clip.left()), double(clip.right()) + 1));
            if (x1 <= x0) continue;
            if (!spans_.empty() && spans_.back().y == y && spans_.back().x1 >= x0)
                spans_.back().x1 = std::max(spans_.back().x1, x1);
            else
                spans_.push_back({y, x0, x1});
        }
    }
    for (const Span& s : spans_) pixelsSpent_ += s.x1 - s.x0;
    if (pixelsSpent_ > pixelBudget(clip)) spans_.clear();
    return spans_;
}

void ScanRaster::fillSpans(QPainter& p, const std::vector<Span>& spans, const QBrush& brush)
{
    if (spans.empty()) return;
    // One call for all runs: the brush is set up once, not per run.
    thread_local std::vector<QRect> rects;
    rects.clear();
    rects.reserve(spans.size());
    for (const Span& s : spans) rects.emplace_back(s.x0, s.y, s.x1 - s.x0, 1);
    p.save();
    p.resetTransform();
    p.setPen(Qt::NoPen);
    p.setBrush(brush);
    p.drawRects(rects.data(), int(rects.size()));
    p.restore();
}

}  // namespace vx::swf
