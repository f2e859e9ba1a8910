// Antialiased scan conversion: how much of each pixel a filled outline
// covers. Every edge leaves, in each pixel it crosses, the signed area to its
// right inside that pixel, and the rest of its height to the pixels after.
// Summed along a row these give the coverage, which stays the same between
// the pixels edges touch: the result is runs of constant coverage.
#pragma once

#include "swf/SwfRaster.h"

#include <cstdint>
#include <vector>

namespace vx::swf {

// Pixels x0 .. x1 - 1 of row y, each covered `cover` / 255.
struct CoverSpan {
    int y, x0, x1;
    uint8_t cover;
};

class CoverageRaster {
public:
    // Coverage of the area the edges enclose, inside `clip`, with the
    // nonzero winding rule or the even-odd rule. Valid until the next call.
    const std::vector<CoverSpan>& rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding,
                                            const QRect& clip);

    // Aliased spans as fully covered runs.
    static void fromSpans(const std::vector<Span>& spans, std::vector<CoverSpan>& out);

    // Building coverage piece by piece: begin() with the device area to
    // cover, then edges of outlines and single pixels in any order, then
    // finish(). Coverage that adds up past full stays full.
    void begin(const QRect& area);
    void addEdge(const ScanRaster::Edge& e);
    void addPixel(int x, int y, float cover);
    const std::vector<CoverSpan>& finish(bool winding);
    const QRect& area() const { return area_; }

private:
    void deposit(int row, double xa, double xb, double h);
    void add(int row, int x, float v);
    void sweep(bool winding);

    struct Cell {
        int row, x;  // relative to the top left of the area
        float v;
    };
    QRect area_;
    int top_ = 0, left_ = 0, width_ = 0, rows_ = 0;
    std::vector<Cell> cells_, sorted_;
    std::vector<int> rowStart_;
    std::vector<CoverSpan> spans_;
};

}  // namespace vx::swf
