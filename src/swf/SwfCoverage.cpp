#include "swf/SwfCoverage.h"
#include "swf/SwfMath.h"

#include <algorithm>
#include <cmath>
#include <limits>


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
    // Whole blocks of eight where the clip allows: a row's last stretch of
    // cover is then blended eight pixels at a time, not one by one.
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

void CoverageRaster::setBand(const QRect& area)
{
    area_ = area;
    top_ = area.top();
    left_ = area.left();
    width_ = std::max(0, area.width());
    rows_ = std::max(0, area.height());
    // Two spare cells past the band, and whole blocks of eight.
    stride_ = (width_ + 2 + 7) & ~7;
    const size_t cells = size_t(rows_) * size_t(stride_);
    if (acc_.size() < cells) acc_.resize(cells, 0.0f);
    if (rowCover_.size() < size_t(stride_)) rowCover_.resize(size_t(stride_));
    wordsPerRow_ = (stride_ + 511) / 512;
    blocks_.assign(size_t(rows_) * size_t(wordsPerRow_), 0);
    work_ = 0;
}

void CoverageRaster::addEdge(const ScanRaster::Edge& e)
{
    if (work_ > kMaxWork || width_ == 0) return;
    const double y0 = std::max(e.y0, double(top_)), y1 = std::min(e.y1, double(top_ + rows_));
    if (!(y1 > y0)) return;
    // y0 and y1 lie within the band, so its rows fit an int.
    const int rowEnd = -floorInt(-y1);
    float* const cells = acc_.data();
    uint64_t* const blocks = blocks_.data();
    const size_t stride = size_t(stride_), words = size_t(wordsPerRow_);
    const double width = width_;
    int64_t inTwoColumns = 0;
    // Height per unit of width, kept finite: a level edge never gets here
    // and a vertical one has no width to multiply.
    const double dydx = std::min(1 / std::abs(e.dxdy), 1e30);
    double ya = y0, xa = e.x0 + (ya - e.y0) * e.dxdy - left_;
    for (int r = floorInt(y0); r < rowEnd; ++r) {
        const double yb = std::min(y1, double(r + 1));
        const double xb = e.x0 + (yb - e.y0) * e.dxdy - left_;
        const float h = float((yb - ya) * e.dir);
        const double lo = std::min(xa, xb), hi = std::max(xa, xb);
        const int row = r - top_;
        if (lo >= 0 && lo < width && hi < double(int(lo) + 2)) {
            // Within one column or two, as nearly all pieces of edges that
            // are not almost level: h2 of the height lies past the column
            // boundary c (none when the piece ends before it), h1 before.
            // Each part leaves its area right of it in its own column and
            // the rest of its height to the next.
            const int i = int(lo);
            const double c = std::min(double(i + 1), hi);
            const float h2 = float(e.dir * (hi - c) * dydx), h1 = h - h2;
            const float xm1 = float((lo + c) * 0.5 - i), xm2 = float((c + hi) * 0.5 - (i + 1));
            float* acc = cells + size_t(row) * stride;
            acc[i] += h1 * (1 - xm1);
            acc[i + 1] += h1 * xm1 + h2 * (1 - xm2);
            acc[i + 2] += h2 * xm2;
            uint64_t* w = blocks + size_t(row) * words;
            const int b0 = i >> 3, b2 = (i + 2) >> 3;
            w[b0 >> 6] |= uint64_t(1) << (b0 & 63);
            w[b2 >> 6] |= uint64_t(1) << (b2 & 63);
            ++inTwoColumns;
        } else {
            deposit(row, xa, xb, h);
        }
        ya = yb;
        xa = xb;
    }
    work_ += inTwoColumns;
}

// The piece of an edge inside one row, from column position xa to xb, with
// signed height h. Each column it crosses gets the area the piece leaves to
// its right inside that column; the next column gets the rest of the
// piece's height there.
void CoverageRaster::deposit(int row, double xa, double xb, float h)
{
    if (xa > xb) std::swap(xa, xb);
    if (!(xa < width_)) return;
    float* acc = acc_.data() + size_t(row) * size_t(stride_);
    ++work_;
    const double dx = xb - xa;
    double x = xa;
    if (x < 0) {
        // Left of the first column the piece covers all that follows.
        acc[0] += xb <= 0 ? h : float(h * -x / dx);
        mark(row, 0, 0);
        if (xb <= 0) return;
        x = 0;
    }
    // The piece has width here: a vertical one lies wholly left of the
    // band, or within one column, which addEdge() takes itself.
    const int first = int(x);
    int i = first;
    const double end = std::min(xb, double(width_));
    const double perUnit = h / dx;
    while (x < end) {
        const double nx = std::min(end, double(i + 1));
        const float share = float(perUnit * (nx - x));
        const float xm = float((x + nx) * 0.5 - i);
        acc[i] += share * (1 - xm);
        acc[i + 1] += share * xm;
        x = nx;
        ++i;
    }
    work_ += i - first;
    mark(row, first, i);
}

}  // namespace vx::swf
