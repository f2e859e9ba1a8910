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

    // Building coverage band by band: clear(), then for each band setBand()
    // with its device area (at most bandRows() rows of that width), its
    // edges, and sweep(), which adds the band's runs to runs().
    void clear() { runs_.clear(); }
    static int bandRows(int width);
    void setBand(const QRect& area);
    void addEdge(const ScanRaster::Edge& e);
    void sweep(bool winding);
    const CoverRuns& runs() const { return runs_; }

private:
    void deposit(int row, double xa, double xb, double h);
    void addRun(int y, int x0, int x1, uint8_t cover);
    // Notes that cells lo .. hi of a row were written.
    void mark(int row, int lo, int hi)
    {
        uint64_t* words = blocks_.data() + size_t(row) * size_t(wordsPerRow_);
        for (int b = lo >> 3; b <= hi >> 3; ++b) words[b >> 6] |= uint64_t(1) << (b & 63);
    }

    QRect area_;
    int top_ = 0, left_ = 0, width_ = 0, rows_ = 0, stride_ = 0;
    std::vector<float> acc_;  // signed areas, stride_ per row of the band; zero between uses
    // One bit per eight cells written, wordsPerRow_ words per row.
    std::vector<uint64_t> blocks_;
    int wordsPerRow_ = 0;
    CoverRuns runs_;
    int64_t work_ = 0;
};

}  // namespace vx::swf
