#include "swf/SwfCoverage.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx::swf {

namespace {

// Accumulation cells held at once: taller areas are done in bands.
constexpr int64_t kBandCells = int64_t(1) << 22;
// Cells one band may be given: a hostile outline stops there.
constexpr int64_t kMaxWork = int64_t(1) << 24;

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
    out = QRect(left, top, right - left, bottom - top);
    return true;
}

const CoverRuns& CoverageRaster::rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip)
{
    runs_.clear();
    CoverRuns::Sink sink{runs_};
    rasterize(edges, winding, clip, sink);
    return runs_;
}

void CoverageRaster::setBand(const QRect& area)
{
    area_ = area;
    top_ = area.top();
    left_ = area.left();
    width_ = std::max(0, area.width());
    rows_ = std::max(0, area.height());
    stride_ = width_ + 1;
    const size_t cells = size_t(rows_) * size_t(stride_);
    if (acc_.size() < cells) acc_.resize(cells, 0.0f);
    wordsPerRow_ = (stride_ + 511) / 512;
    blocks_.assign(size_t(rows_) * size_t(wordsPerRow_), 0);
    work_ = 0;
}

void CoverageRaster::addEdge(const ScanRaster::Edge& e)
{
    if (work_ > kMaxWork || width_ == 0) return;
    const double y0 = std::max(e.y0, double(top_)), y1 = std::min(e.y1, double(top_ + rows_));
    if (!(y1 > y0)) return;
    const int rowEnd = int(std::ceil(y1));
    for (int r = int(std::floor(y0)); r < rowEnd; ++r) {
        const double ya = std::max(y0, double(r)), yb = std::min(y1, double(r + 1));
        if (yb <= ya) continue;
        const double xa = e.x0 + (ya - e.y0) * e.dxdy, xb = e.x0 + (yb - e.y0) * e.dxdy;
        deposit(r - top_, xa - left_, xb - left_, (yb - ya) * e.dir);
    }
}

// The piece of an edge inside one row, from column position xa to xb, with
// signed height h. Each column it crosses gets the area the piece leaves to
// its right inside that column; the next column gets the rest of the
// piece's height there.
void CoverageRaster::deposit(int row, double xa, double xb, double h)
{
    if (xa > xb) std::swap(xa, xb);
    if (xa >= width_) return;
    float* acc = acc_.data() + size_t(row) * size_t(stride_);
    ++work_;
    const double dx = xb - xa;
    double x = xa;
    if (x < 0) {
        // Left of the first column the piece covers all that follows.
        acc[0] += float(xb <= 0 ? h : h * -x / dx);
        mark(row, 0, 0);
        if (xb <= 0) return;
        x = 0;
    }
    const int first = int(x);
    int i = first;
    if (dx == 0) {
        const double xm = x - i;
        acc[i] += float(h * (1 - xm));
        acc[i + 1] += float(h * xm);
        mark(row, i, i + 1);
        return;
    }
    const double end = std::min(xb, double(width_));
    const double perUnit = h / dx;
    while (x < end) {
        const double nx = std::min(end, double(i + 1));
        const double share = perUnit * (nx - x);
        const double xm = (x + nx) * 0.5 - i;
        acc[i] += float(share * (1 - xm));
        acc[i + 1] += float(share * xm);
        x = nx;
        ++i;
    }
    work_ += i - first;
    mark(row, first, i);
}

}  // namespace vx::swf
