#include "swf/SwfHairline.h"
#include "swf/SwfMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vx::swf {

namespace {

// Centre lines are cut within this many device pixels of their curves.
constexpr double kTolerance = 0.1;
// Pixels a line of at most kMaxWidth crosses in one column.
constexpr int kRows = 4;

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

const CoverRuns& HairlineRaster::rasterize(CoverageRaster& coverage, const QPainterPath& path,
                                           const QTransform& toDevice, double width, bool caps, const QRect& clip)
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
    if (!(minX <= maxX) || clip.isEmpty()) return coverage.runs();
    const int left = int(std::clamp(std::floor(minX - reach), double(clip.left()), clipRight));
    const int right = int(std::clamp(std::ceil(maxX + reach), double(clip.left()), clipRight));
    const int top = int(std::clamp(std::floor(minY - reach), double(clip.top()), clipBottom));
    const int bottom = int(std::clamp(std::ceil(maxY + reach), double(clip.top()), clipBottom));
    if (left >= right || top >= bottom) return coverage.runs();
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
    return coverage.runs();
}

// One straight piece. Along its major axis each pixel column takes the part
// of the piece inside it; across, the band of the line's width, measured
// along the minor axis, is cut by the pixel rows.
void HairlineRaster::segment(CoverageRaster& out, QPointF a, QPointF b, double width) const
{
    if (!finite(a) || !finite(b) || a == b) return;
    width = std::clamp(width, 0.0, kMaxWidth);
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
    // Pixels on the far side of the band in the minor axis are dropped; on
    // the near side the band's edge column or row is used (the cells there
    // are one past the band, which the cells allow).
    const double uMin = xMajor ? area.left() : area.top(), uMax = xMajor ? area.right() + 1 : area.bottom() + 1;
    const double vMin = xMajor ? area.top() : area.left(), vMax = xMajor ? area.bottom() + 1 : area.right() + 1;
    const int k0 = int(std::clamp(floorFast(ua), uMin, uMax)), k1 = int(std::clamp(-floorFast(-ub), uMin, uMax));
    if (k0 >= k1) return;
    const double vLo = std::min(va, vb) - half, vHi = std::max(va, vb) + half;
    // With room for the four-pixel window below, away from the band's edges.
    const int jLo = int(std::clamp(floorFast(vLo), vMin, vMax));
    const int jHi = int(std::clamp(floorFast(vHi) + kRows, vMin, vMax));
    if (jLo >= jHi) return;
    if (xMajor) out.touched(jLo, jHi - 1, k0, k1);
    else out.touched(k0, k1 - 1, jLo, jHi);
    for (int k = k0; k < k1; ++k) {
        const double lo = std::max(ua, double(k)), hi = std::min(ub, double(k + 1));
        const float along = float(hi - lo);
        if (along <= 0) continue;
        const double vc = va + slope * ((lo + hi) / 2 - ua);
        const float b0 = float(vc - half), b1 = float(vc + half);
        const int first = floorInt(b0);
        if (first >= jLo && first + kRows <= jHi) {
            // The band, at most a line's width times the square root of 2
            // across, lies within four pixels: cover all four without tests.
            float cover[kRows];
            for (int r = 0; r < kRows; ++r)
                cover[r] = along * std::max(0.0f, std::min(b1, float(first + r + 1)) - std::max(b0, float(first + r)));
            if (xMajor) {
                for (int r = 0; r < kRows; ++r) {
                    float* cells = out.cellsOfRow(first + r);
                    cells[k] += cover[r];
                    cells[k + 1] -= cover[r];
                }
            } else {
                float* cells = out.cellsOfRow(k) + first;
                cells[0] += cover[0];
                for (int r = 1; r < kRows; ++r) cells[r] += cover[r] - cover[r - 1];
                cells[kRows] -= cover[kRows - 1];
            }
            continue;
        }
        const int j0 = std::max(jLo, first), j1 = std::min(jHi, floorInt(b1) + 1);
        if (xMajor) {
            // Column k of rows j0 .. j1 - 1: the cover there, taken back
            // in the next column.
            for (int j = j0; j < j1; ++j) {
                const float c = along * (std::min(b1, float(j + 1)) - std::max(b0, float(j)));
                if (c <= 0) continue;
                float* cells = out.cellsOfRow(j);
                cells[k] += c;
                cells[k + 1] -= c;
            }
        } else {
            // Row k, columns j0 .. j1 - 1: each cell gets the change of
            // cover from the pixel before it.
            float* cells = out.cellsOfRow(k);
            float prev = 0;
            for (int j = j0; j < j1; ++j) {
                const float c = std::max(0.0f, along * (std::min(b1, float(j + 1)) - std::max(b0, float(j))));
                cells[j] += c - prev;
                prev = c;
            }
            cells[j1] -= prev;
        }
    }
}

}  // namespace vx::swf
