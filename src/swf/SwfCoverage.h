// Antialiased scan conversion: how much of each pixel a filled outline
// covers. Every edge leaves, in each pixel it crosses, the signed area to its
// right inside that pixel, and the rest of its height to the pixels after.
// Summed along a row these give the coverage, which stays the same between
// the pixels edges touch: the result is runs of constant coverage.
#pragma once

#include "swf/SwfRaster.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace vx::swf {

// Pixels x0 .. x1 - 1 of row y, each covered `cover` / 255, or, where the
// coverage changes from pixel to pixel, by the bytes of CoverRuns::alpha
// from offset `alpha` on.
struct CoverSpan {
    int y, x0, x1;
    uint8_t cover;
    int32_t alpha = -1;  // -1: the same cover throughout
};

struct CoverRuns {
    std::vector<CoverSpan> spans;
    std::vector<uint8_t> alpha;
    void clear()
    {
        spans.clear();
        alpha.clear();
    }
};

class CoverageRaster {
public:
    // Coverage of the area the edges enclose, inside `clip`, with the
    // nonzero winding rule or the even-odd rule. Valid until the next call.
    const CoverRuns& rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip);

    // Aliased spans as fully covered runs.
    static void fromSpans(const std::vector<Span>& spans, CoverRuns& out);

    // Building coverage piece by piece, band by band: clear(), then for
    // each band setBand() with its device area (at most bandRows() rows of
    // that width), edges of outlines and single pixels in any order, and
    // sweep(), which adds the band's runs to runs(). Coverage adding up
    // past full stays full.
    void clear() { runs_.clear(); }
    static int bandRows(int width);
    void setBand(const QRect& area);
    const QRect& band() const { return area_; }
    void addEdge(const ScanRaster::Edge& e);
    void addPixel(int x, int y, float cover)
    {
        const int row = y - top_, col = x - left_;
        if (row < 0 || row >= rows_ || col < 0 || col >= width_) return;
        float* acc = acc_.data() + size_t(row) * size_t(stride_);
        acc[col] += cover;
        acc[col + 1] -= cover;
        touch(row, col, col + 1);
    }
    void sweep(bool winding);
    const CoverRuns& runs() const { return runs_; }

    // Direct access for pixel-by-pixel writers: the accumulation cells of
    // device row y of the band (indexed by device column, valid from the
    // band's left to one past its right), and the rows and columns written,
    // to be declared before sweep().
    float* cellsOfRow(int y) { return acc_.data() + size_t(y - top_) * size_t(stride_) - left_; }
    int cellStride() const { return stride_; }
    void touched(int y0, int y1, int x0, int x1)
    {
        for (int y = std::max(y0, top_); y <= std::min(y1, top_ + rows_ - 1); ++y)
            touch(y - top_, x0 - left_, x1 - left_);
    }

private:
    void deposit(int row, double xa, double xb, double h);
    void addRun(int y, int x0, int x1, uint8_t cover);
    void touch(int row, int lo, int hi)
    {
        rowMin_[size_t(row)] = std::min(rowMin_[size_t(row)], lo);
        rowMax_[size_t(row)] = std::max(rowMax_[size_t(row)], hi);
    }

    QRect area_;
    int top_ = 0, left_ = 0, width_ = 0, rows_ = 0, stride_ = 0;
    std::vector<float> acc_;            // signed areas, stride_ per row of the band; zero between uses
    std::vector<int> rowMin_, rowMax_;  // columns touched per row of the band
    CoverRuns runs_;
    int64_t work_ = 0;
};

}  // namespace vx::swf
