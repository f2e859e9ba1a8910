#include "swf/SwfCoverage.h"
#include "swf/SwfMath.h"

#include <algorithm>
#include <cmath>
#include <limits>


namespace vx::swf {

namespace {

// Cells the thin line rasterizer holds at once: taller areas go in bands.
constexpr int64_t kBandCells = int64_t(1) << 22;

}  // namespace

void CoverageRaster::fromSpans(const std::vector<Span>& spans, CoverRuns& out)
{
    out.clear();
    out.spans.reserve(spans.size());
    for (const Span& s : spans) out.spans.push_back({s.y, s.x0, s.x1, 255, -1});
}

int CoverageRaster::bandRows(int width)
{
    return int(std::max<int64_t>(1, kBandCells / (int64_t(std::max(width, 0)) + 1)));
}

bool CoverageRaster::area(const std::vector<ScanRaster::Edge>& edges, const QRect& clip, QRect& out) const
{
    if (edges.empty() || clip.isEmpty()) return false;
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
    for (const ScanRaster::Edge& e : edges) {
        const double x1 = e.x0 + (e.y1 - e.y0) * e.dxdy;
        minX = std::min({minX, e.x0, x1});
        maxX = std::max({maxX, e.x0, x1});
        minY = std::min(minY, e.y0);
        maxY = std::max(maxY, e.y1);
    }
    if (!std::isfinite(minX) || !std::isfinite(maxX) || !std::isfinite(minY) || !std::isfinite(maxY)) return false;
    // Bounds in floating point first: the outline may lie far off the device.
    const double clipRight = double(clip.right()) + 1, clipBottom = double(clip.bottom()) + 1;
    const int top = int(std::clamp(std::floor(minY), double(clip.top()), clipBottom));
    const int bottom = int(std::clamp(std::ceil(maxY), double(clip.top()), clipBottom));
    const int left = int(std::clamp(std::floor(minX), double(clip.left()), clipRight));
    const int right = int(std::clamp(std::ceil(maxX), double(clip.left()), clipRight));
    if (top >= bottom || left >= right) return false;
    // Whole blocks of eight where the clip allows: stretches of cover are
    // then blended eight pixels at a time, not one by one.
    const int wide = std::min(int(clipRight) - left, (right - left + 7) & ~7);
    out = QRect(left, top, wide, bottom - top);
    return true;
}

const CoverRuns& CoverageRaster::rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip)
{
    runs_.clear();
    CoverRuns::Sink sink{runs_};
    rasterize(edges, winding, clip, sink);
    return runs_;
}

}  // namespace vx::swf
