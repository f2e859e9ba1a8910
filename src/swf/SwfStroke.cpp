#include "swf/SwfStroke.h"
#include "swf/SwfRaster.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vx::swf {

namespace {

constexpr double kPi = 3.14159265358979323846;
// Round joins and caps get a corner at least this often.
constexpr double kMaxArcStep = kPi / 4;
// Outline elements one line builds at most: a hostile movie can ask for
// millions of chords, which the rasterizer would drop anyway.
constexpr int kMaxOutlineElements = int(kMaxRasterEdges);
// Corners between the chords of one curve are mitred up to this many line
// widths (their turns are small but for hairpins).
constexpr double kInnerMiterLimit = 4;

// One straight piece of the centre line. `inner`: the corner at its start
// lies inside a curve.
struct Piece {
    QPointF a, b;
    bool inner;
};

double cross(QPointF u, QPointF v) { return u.x() * v.y() - u.y() * v.x(); }
double dot(QPointF u, QPointF v) { return u.x() * v.x() + u.y() * v.y(); }
double length(QPointF u) { return std::hypot(u.x(), u.y()); }

QPointF unit(QPointF u)
{
    const double l = length(u);
    return l > 0 ? u / l : QPointF();
}

// Left normal of direction d, h long.
QPointF normal(QPointF d, double h)
{
    const QPointF u = unit(d);
    return QPointF(-u.y() * h, u.x() * h);
}

// Where the line through p along d meets the line through q along e;
// `fallback` when they are parallel.
QPointF meet(QPointF p, QPointF d, QPointF q, QPointF e, QPointF fallback)
{
    const double den = cross(d, e);
    if (std::abs(den) <= 1e-12 * length(d) * length(e)) return fallback;
    const QPointF r = p + d * (cross(q - p, e) / den);
    return std::isfinite(r.x()) && std::isfinite(r.y()) ? r : fallback;
}

struct Outliner {
    QPainterPath out;
    StrokeStyle style;
    double h = 10;          // half the width
    double arcStep = kMaxArcStep;
    std::vector<QPointF> pts;  // the polygon being built

    // Adds pts as a closed polygon turned the way the chord rectangles
    // turn, so that overlapping pieces add up under the non-zero rule.
    void addPolygon()
    {
        if (pts.size() < 3 || out.elementCount() >= kMaxOutlineElements) return;
        double area = 0;
        for (size_t i = 0; i < pts.size(); ++i) area += cross(pts[i], pts[(i + 1) % pts.size()]);
        if (area > 0) std::reverse(pts.begin(), pts.end());
        out.moveTo(pts[0]);
        for (size_t i = 1; i < pts.size(); ++i) out.lineTo(pts[i]);
        out.closeSubpath();
    }

    // Corners of the arc around p starting at p + from and turning by
    // `turn` radians, both ends excluded.
    void arc(QPointF p, QPointF from, double turn)
    {
        const int n = int(std::clamp(std::ceil(std::abs(turn) / arcStep - 1e-9), 1.0, 256.0));
        for (int i = 1; i < n; ++i) {
            const double a = turn * i / n, ca = std::cos(a), sa = std::sin(a);
            pts.emplace_back(p.x() + from.x() * ca - from.y() * sa, p.y() + from.x() * sa + from.y() * ca);
        }
    }

    void chord(QPointF a, QPointF b)
    {
        const QPointF n = normal(b - a, h);
        pts = {a + n, b + n, b - n, a - n};
        addPolygon();
    }

    void join(QPointF p, QPointF in, QPointF outDir, StrokeStyle::Join kind, double miterLimit)
    {
        const double turn = std::atan2(cross(in, outDir), dot(in, outDir));
        if (!(std::abs(turn) > 1e-9)) return;
        // The outer side of the turn.
        const double side = turn > 0 ? -1 : 1;
        const QPointF n0 = normal(in, h) * side, n1 = normal(outDir, h) * side;
        pts = {p, p + n0};
        if (kind == StrokeStyle::RoundJoin) {
            arc(p, n0, turn);
        } else if (kind == StrokeStyle::MiterJoin) {
            const QPointF tip = meet(p + n0, in, p + n1, outDir, p);
            const double limit = std::max(1.0, miterLimit) * 2 * h;
            if (length(tip - p) <= limit) {
                pts.push_back(tip);
            } else {
                // Cut off square to the bisector at the limit.
                const QPointF dir = unit(tip - p), across(-dir.y(), dir.x());
                const QPointF cut = p + dir * limit;
                pts.push_back(meet(p + n0, in, cut, across, cut));
                pts.push_back(meet(p + n1, outDir, cut, across, cut));
            }
        }
        pts.push_back(p + n1);
        addPolygon();
    }

    // The cap at p of a line leaving p along `outward`.
    void cap(QPointF p, QPointF outward, StrokeStyle::Cap kind)
    {
        if (kind == StrokeStyle::FlatCap) return;
        const QPointF n = normal(outward, h);
        if (kind == StrokeStyle::SquareCap) {
            const QPointF ahead = unit(outward) * h;
            pts = {p + n, p + n + ahead, p - n + ahead, p - n};
        } else {
            pts = {p, p + n};
            arc(p, n, -kPi);
            pts.push_back(p - n);
        }
        addPolygon();
    }

    // A line that never leaves its point shows its start cap alone.
    void spot(QPointF p)
    {
        if (style.startCap == StrokeStyle::FlatCap) return;
        if (style.startCap == StrokeStyle::SquareCap) {
            pts = {p + QPointF(-h, -h), p + QPointF(h, -h), p + QPointF(h, h), p + QPointF(-h, h)};
        } else {
            pts = {p + QPointF(h, 0)};
            arc(p, QPointF(h, 0), 2 * kPi);
        }
        addPolygon();
    }

    void subpath(const std::vector<Piece>& pieces, QPointF start, bool any)
    {
        if (pieces.empty()) {
            if (any) spot(start);
            return;
        }
        for (const Piece& s : pieces) chord(s.a, s.b);
        for (size_t i = 1; i < pieces.size(); ++i) {
            const Piece& s = pieces[i];
            const QPointF in = pieces[i - 1].b - pieces[i - 1].a, outDir = s.b - s.a;
            if (s.inner) join(s.a, in, outDir, StrokeStyle::MiterJoin, kInnerMiterLimit);
            else join(s.a, in, outDir, style.join, style.miterLimit);
        }
        const Piece& first = pieces.front();
        const Piece& last = pieces.back();
        if (last.b == first.a) {
            join(first.a, last.b - last.a, first.b - first.a, style.join, style.miterLimit);
        } else {
            cap(first.a, first.a - first.b, style.startCap);
            cap(last.b, last.b - last.a, style.endCap);
        }
    }
};

}  // namespace

QPainterPath strokeOutline(const QPainterPath& centre, const StrokeStyle& style, double curveTolerance,
                           double arcTolerance)
{
    Outliner o;
    o.out.setFillRule(Qt::WindingFill);
    o.style = style;
    o.h = style.width / 2;
    if (!(o.h > 0) || !std::isfinite(o.h)) return o.out;
    if (arcTolerance > 0 && arcTolerance < o.h) o.arcStep = std::min(kMaxArcStep, 2 * std::acos(1 - arcTolerance / o.h));

    std::vector<Piece> pieces;
    QPointF start, cur;
    bool any = false;  // an edge, even of no length, since the last move
    const int n = centre.elementCount();
    // Rectangles, joins: each piece makes about ten elements.
    for (int i = 0; i < n && pieces.size() < size_t(kMaxOutlineElements / 10); ++i) {
        const QPainterPath::Element& e = centre.elementAt(i);
        const QPointF p(e.x, e.y);
        if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return QPainterPath();
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (o.out.elementCount() >= kMaxOutlineElements) return o.out;
            o.subpath(pieces, start, any);
            pieces.clear();
            any = false;
            start = cur = p;
            break;
        case QPainterPath::LineToElement:
            any = true;
            if (p != cur) {
                pieces.push_back({cur, p, false});
                cur = p;
            }
            break;
        case QPainterPath::CurveToElement: {
            if (i + 2 >= n) break;
            any = true;
            const QPointF c2(centre.elementAt(i + 1).x, centre.elementAt(i + 1).y);
            const QPointF b(centre.elementAt(i + 2).x, centre.elementAt(i + 2).y);
            i += 2;
            // A raised quadratic's controls both lead back to its own; a
            // true cubic gets the quadratic closest to it.
            const QPointF control = (3 * (p + c2) - cur - b) / 4;
            QPainterPath curve(cur);
            curve.quadTo(control, b);
            const QPainterPath cut = ScanRaster::flattenQuadratics(curve, curveTolerance);
            bool first = true;
            for (int k = 1; k < cut.elementCount(); ++k) {
                const QPointF q(cut.elementAt(k).x, cut.elementAt(k).y);
                if (q == cur) continue;
                pieces.push_back({cur, q, !first});
                first = false;
                cur = q;
            }
            break;
        }
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    o.subpath(pieces, start, any);
    return o.out;
}

}  // namespace vx::swf
