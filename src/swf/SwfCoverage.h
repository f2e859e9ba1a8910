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

private:
    void depositEdge(const ScanRaster::Edge& e);
    void deposit(int row, double xa, double xb, double h);
    void add(int row, int x, float v);
    void sweep(bool winding);

    struct Cell {
        int row, x;  // relative to the top left of the area
        float v;
    };
    int top_ = 0, left_ = 0, width_ = 0, rows_ = 0;
    std::vector<Cell> cells_, sorted_;
    std::vector<int> rowStart_;
    std::vector<CoverSpan> spans_;
};

}  // namespace vx::swf
