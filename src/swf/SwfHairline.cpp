#include "swf/SwfHairline.h"
#include "swf/SwfMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vx::swf {

namespace {

// Centre lines are cut within this many device pixels of their curves.
constexpr double kTolerance = 0.1;

bool finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// v moved `by` beyond `end`, away from `from`.
QPointF extended(QPointF end, QPointF from, double by)
{
    const QPointF d = end - from;
    const double len = std::hypot(d.x(), d.y());
    return len > 0 ? end + d * (by / len) : end;
}

}  // namespace

const std::vector<CoverSpan>& HairlineRaster::rasterize(CoverageRaster& coverage, const QPainterPath& path,
                                                        const QTransform& toDevice, double width, bool caps,
                                                        const QRect& clip)
{
    ScanRaster::polylines(path, toDevice, kTolerance, points_, starts_);
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
    for (const QPointF& p : points_) {
        if (!finite(p)) continue;
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    coverage.clear();
    const double reach = width + 1;
    const double clipRight = double(clip.right()) + 1, clipBottom = double(clip.bottom()) + 1;
    if (!(minX <= maxX) || clip.isEmpty()) return coverage.spans();
    const int left = int(std::clamp(std::floor(minX - reach), double(clip.left()), clipRight));
    const int right = int(std::clamp(std::ceil(maxX + reach), double(clip.left()), clipRight));
    const int top = int(std::clamp(std::floor(minY - reach), double(clip.top()), clipBottom));
    const int bottom = int(std::clamp(std::ceil(maxY + reach), double(clip.top()), clipBottom));
    if (left >= right || top >= bottom) return coverage.spans();
    const int rows = CoverageRaster::bandRows(right - left);
    for (int bandTop = top; bandTop < bottom; bandTop += rows) {
        coverage.setBand(QRect(left, bandTop, right - left, std::min(rows, bottom - bandTop)));
        for (size_t k = 0; k < starts_.size(); ++k) {
            const int s = starts_[k];
            const int e = k + 1 < starts_.size() ? starts_[k + 1] : int(points_.size());
            if (e - s < 2) continue;
            const bool closed = points_[size_t(s)] == points_[size_t(e - 1)];
            for (int i = s; i + 1 < e; ++i) {
                QPointF a = points_[size_t(i)], b = points_[size_t(i + 1)];
                if (caps && !closed) {
                    if (i == s) a = extended(a, b, width / 2);
                    if (i + 2 == e) b = extended(b, a, width / 2);
                }
                segment(coverage, a, b, width);
            }
        }
        coverage.sweep(true);
    }
    return coverage.spans();
}

// One straight piece. Along its major axis each pixel column takes the part
// of the piece inside it; across, the band of the line's width, measured
// along the minor axis, is cut by the pixel rows.
void HairlineRaster::segment(CoverageRaster& out, QPointF a, QPointF b, double width) const
{
    if (!finite(a) || !finite(b) || a == b) return;
    const bool xMajor = std::abs(b.x() - a.x()) >= std::abs(b.y() - a.y());
    double ua = xMajor ? a.x() : a.y(), va = xMajor ? a.y() : a.x();
    double ub = xMajor ? b.x() : b.y(), vb = xMajor ? b.y() : b.x();
    if (ua > ub) {
        std::swap(ua, ub);
        std::swap(va, vb);
    }
    const double slope = (vb - va) / (ub - ua);
    const double half = width * std::sqrt(1 + slope * slope) / 2;
    const QRect& area = out.band();
    const double uMin = xMajor ? area.left() : area.top(), uMax = xMajor ? area.right() + 1 : area.bottom() + 1;
    const double vMin = xMajor ? area.top() : area.left(), vMax = xMajor ? area.bottom() + 1 : area.right() + 1;
    const int k0 = int(std::clamp(floorFast(ua), uMin, uMax)), k1 = int(std::clamp(-floorFast(-ub), uMin, uMax));
    for (int k = k0; k < k1; ++k) {
        const double lo = std::max(ua, double(k)), hi = std::min(ub, double(k + 1));
        const double along = hi - lo;
        if (along <= 0) continue;
        const double vc = va + slope * ((lo + hi) / 2 - ua);
        const double b0 = vc - half, b1 = vc + half;
        const int j0 = int(std::clamp(floorFast(b0), vMin, vMax)), j1 = int(std::clamp(-floorFast(-b1), vMin, vMax));
        for (int j = j0; j < j1; ++j) {
            const double c = along * (std::min(b1, double(j + 1)) - std::max(b0, double(j)));
            if (c <= 0) continue;
            if (xMajor) out.addPixel(k, j, float(c));
            else out.addPixel(j, k, float(c));
        }
    }
}

}  // namespace vx::swf
