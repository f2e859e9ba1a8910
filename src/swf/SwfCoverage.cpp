#include "swf/SwfCoverage.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vx::swf {

namespace {

// Cells one outline may leave: a hostile outline stops there.
constexpr size_t kMaxCells = size_t(1) << 22;
// Rows with more cells than this are sorted with std::sort.
constexpr int kInsertionSortLimit = 32;

uint8_t toAlpha(float s, bool winding)
{
    float c = std::abs(s);
    if (c > 1) {
        if (winding) {
            c = 1;
        } else {
            c -= 2 * std::floor(c * 0.5f);
            if (c > 1) c = 2 - c;
        }
    }
    return uint8_t(c * 255 + 0.5f);
}

}  // namespace

void CoverageRaster::fromSpans(const std::vector<Span>& spans, std::vector<CoverSpan>& out)
{
    out.clear();
    out.reserve(spans.size());
    for (const Span& s : spans) out.push_back({s.y, s.x0, s.x1, 255});
}

const std::vector<CoverSpan>& CoverageRaster::rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding,
                                                        const QRect& clip)
{
    begin(QRect());
    if (edges.empty() || clip.isEmpty()) return spans_;
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
    for (const ScanRaster::Edge& e : edges) {
        const double x1 = e.x0 + (e.y1 - e.y0) * e.dxdy;
        minX = std::min({minX, e.x0, x1});
        maxX = std::max({maxX, e.x0, x1});
        minY = std::min(minY, e.y0);
        maxY = std::max(maxY, e.y1);
    }
    if (!std::isfinite(minX) || !std::isfinite(maxX) || !std::isfinite(minY) || !std::isfinite(maxY)) return spans_;
    // Bounds in floating point first: the outline may lie far off the device.
    const double clipRight = double(clip.right()) + 1, clipBottom = double(clip.bottom()) + 1;
    const int top = int(std::clamp(std::floor(minY), double(clip.top()), clipBottom));
    const int bottom = int(std::clamp(std::ceil(maxY), double(clip.top()), clipBottom));
    const int left = int(std::clamp(std::floor(minX), double(clip.left()), clipRight));
    const int right = int(std::clamp(std::ceil(maxX), double(clip.left()), clipRight));
    if (top >= bottom || left >= right) return spans_;
    begin(QRect(left, top, right - left, bottom - top));
    for (const ScanRaster::Edge& e : edges) addEdge(e);
    return finish(winding);
}

void CoverageRaster::begin(const QRect& area)
{
    spans_.clear();
    cells_.clear();
    area_ = area;
    top_ = area.top();
    left_ = area.left();
    width_ = std::max(0, area.width());
    rows_ = std::max(0, area.height());
}

const std::vector<CoverSpan>& CoverageRaster::finish(bool winding)
{
    sweep(winding);
    return spans_;
}

void CoverageRaster::addPixel(int x, int y, float cover)
{
    const int row = y - top_, col = x - left_;
    if (row < 0 || row >= rows_ || col < 0 || col >= width_ || cells_.size() >= kMaxCells) return;
    add(row, col, cover);
    add(row, col + 1, -cover);
}

void CoverageRaster::addEdge(const ScanRaster::Edge& e)
{
    if (cells_.size() >= kMaxCells || width_ == 0) return;
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

inline void CoverageRaster::add(int row, int x, float v)
{
    if (x >= width_) return;  // only pixels beyond the area would see it
    // Consecutive cells along an edge often meet in one pixel.
    if (!cells_.empty()) {
        Cell& last = cells_.back();
        if (last.row == row && last.x == x) {
            last.v += v;
            return;
        }
    }
    cells_.push_back({row, x, v});
}

// The piece of an edge inside one row, from column position xa to xb, with
// signed height h. Each column it crosses gets the area the piece leaves to
// its right inside that column; the next column gets the rest of the
// piece's height there.
void CoverageRaster::deposit(int row, double xa, double xb, double h)
{
    if (xa > xb) std::swap(xa, xb);
    if (xa >= width_) return;
    const double dx = xb - xa;
    double x = xa;
    if (x < 0) {
        // Left of the first column the piece covers all that follows.
        add(row, 0, float(xb <= 0 ? h : h * -x / dx));
        if (xb <= 0) return;
        x = 0;
    }
    int i = int(x);
    if (dx == 0) {
        const double xm = x - i;
        add(row, i, float(h * (1 - xm)));
        add(row, i + 1, float(h * xm));
        return;
    }
    const double end = std::min(xb, double(width_));
    const double perUnit = h / dx;
    while (x < end) {
        const double nx = std::min(end, double(i + 1));
        const double share = perUnit * (nx - x);
        const double xm = (x + nx) * 0.5 - i;
        add(row, i, float(share * (1 - xm)));
        add(row, i + 1, float(share * xm));
        x = nx;
        ++i;
    }
}

void CoverageRaster::sweep(bool winding)
{
    if (cells_.empty()) return;
    // Cells by row (counting sort), then by column within each row.
    rowStart_.assign(size_t(rows_) + 1, 0);
    for (const Cell& c : cells_) ++rowStart_[size_t(c.row) + 1];
    for (int r = 0; r < rows_; ++r) rowStart_[size_t(r) + 1] += rowStart_[size_t(r)];
    sorted_.resize(cells_.size());
    {
        std::vector<int>& next = rowStart_;
        for (const Cell& c : cells_) sorted_[size_t(next[size_t(c.row)]++)] = c;
        // next[r] now holds the end of row r, the start of row r + 1.
    }
    int begin = 0;
    for (int r = 0; r < rows_; ++r) {
        const int end = rowStart_[size_t(r)];
        Cell* cells = sorted_.data() + begin;
        const int n = end - begin;
        begin = end;
        if (n == 0) continue;
        if (n > kInsertionSortLimit) {
            std::sort(cells, cells + n, [](const Cell& a, const Cell& b) { return a.x < b.x; });
        } else {
            for (int k = 1; k < n; ++k) {
                const Cell c = cells[k];
                int j = k - 1;
                while (j >= 0 && cells[j].x > c.x) {
                    cells[j + 1] = cells[j];
                    --j;
                }
                cells[j + 1] = c;
            }
        }
        const int y = top_ + r;
        float s = 0;
        int k = 0;
        while (k < n) {
            const int x = cells[k].x;
            while (k < n && cells[k].x == x) s += cells[k++].v;
            const int to = k < n ? cells[k].x : width_;
            const uint8_t a = toAlpha(s, winding);
            if (a == 0 || to <= x) continue;
            if (!spans_.empty()) {
                CoverSpan& last = spans_.back();
                if (last.y == y && last.x1 == left_ + x && last.cover == a) {
                    last.x1 = left_ + to;
                    continue;
                }
            }
            spans_.push_back({y, left_ + x, left_ + to, a});
        }
    }
}

}  // namespace vx::swf
