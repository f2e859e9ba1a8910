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
    // Takes runs from a rasterizer's sweep (see CoverageRaster) and keeps
    // them; stretches of per-pixel cover that touch are joined.
    struct Sink {
        CoverRuns& runs;
        void run(int y, int x0, int x1, uint8_t cover) { runs.spans.push_back({y, x0, x1, cover, -1}); }
        void mask(int y, int x0, int n, const uint8_t* alpha)
        {
            if (runs.spans.empty() || runs.spans.back().alpha < 0 || runs.spans.back().y != y ||
                runs.spans.back().x1 != x0)
                runs.spans.push_back({y, x0, x0, 0, int32_t(runs.alpha.size())});
            runs.spans.back().x1 = x0 + n;
            runs.alpha.insert(runs.alpha.end(), alpha, alpha + n);
        }
    };
};

class CoverageRaster {
public:
    // Coverage of the area the edges enclose, inside `clip`, with the
    // nonzero winding rule or the even-odd rule. Valid until the next call.
    const CoverRuns& rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip);

    // The same coverage handed row by row, left to right, to `sink`
    // instead of kept: sink.run(y, x0, x1, cover) for runs of one cover and
    // sink.mask(y, x0, n, alpha) for stretches where it changes from pixel
    // to pixel.
    template <class Sink>
    void rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip, Sink& sink);

    // Aliased spans as fully covered runs.
    static void fromSpans(const std::vector<Span>& spans, CoverRuns& out);

    // Areas are done in bands of at most this many rows of that width, so
    // that the cells held at once stay few.
    static int bandRows(int width);

    // Runs this short join the stretch of per-pixel cover before them.
    static constexpr int kMinConstantRun = 4;

private:
    // One band: setBand() with its device area, its edges, then sweep().
    void setBand(const QRect& area);
    void addEdge(const ScanRaster::Edge& e);
    template <class Sink>
    void sweep(bool winding, Sink& sink);
    // The band within the clip that edges reach; false when empty.
    bool area(const std::vector<ScanRaster::Edge>& edges, const QRect& clip, QRect& out) const;
    void deposit(int row, double xa, double xb, double h);
    static uint8_t toAlpha(float s, bool winding)
    {
        float c = s < 0 ? -s : s;
        if (c > 1) {
            if (winding) {
                c = 1;
            } else {
                c -= 2 * float(int(c * 0.5f));  // c is at most the number of edges
                if (c > 1) c = 2 - c;
            }
        }
        return uint8_t(c * 255 + 0.5f);
    }
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
    std::vector<uint8_t> stretch_;  // per-pixel cover not yet handed on
    int64_t work_ = 0;
};

template <class Sink>
void CoverageRaster::rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip,
                               Sink& sink)
{
    QRect all;
    if (!area(edges, clip, all)) return;
    const int rows = bandRows(all.width());
    for (int bandTop = all.top(); bandTop <= all.bottom(); bandTop += rows) {
        setBand(QRect(all.left(), bandTop, all.width(), std::min(rows, all.bottom() + 1 - bandTop)));
        for (const ScanRaster::Edge& e : edges) addEdge(e);
        sweep(winding, sink);
    }
}

template <class Sink>
void CoverageRaster::sweep(bool winding, Sink& sink)
{
    stretch_.resize(size_t(width_));
    for (int row = 0; row < rows_; ++row) {
        float* acc = acc_.data() + size_t(row) * size_t(stride_);
        uint64_t* words = blocks_.data() + size_t(row) * size_t(wordsPerRow_);
        const int y = top_ + row;
        int stretchFrom = 0, stretchTo = 0;  // band columns of the pending stretch
        auto flushStretch = [&] {
            if (stretchTo > stretchFrom)
                sink.mask(y, left_ + stretchFrom, stretchTo - stretchFrom, stretch_.data() + stretchFrom);
            stretchFrom = stretchTo = 0;
        };
        auto add = [&](int x0, int x1, uint8_t cover) {
            if (x1 - x0 >= kMinConstantRun) {
                flushStretch();
                sink.run(y, left_ + x0, left_ + x1, cover);
                return;
            }
            if (stretchTo != x0 || stretchTo == stretchFrom) {
                flushStretch();
                stretchFrom = stretchTo = x0;
            }
            for (int x = x0; x < x1; ++x) stretch_[size_t(x)] = cover;
            stretchTo = x1;
        };
        // Between the blocks of cells written the sum, and so the coverage,
        // stays as it is: only those blocks are looked at.
        float s = 0;
        uint8_t cur = 0;
        int runStart = 0;
        for (int w = 0; w < wordsPerRow_; ++w) {
            for (uint64_t bits = words[w]; bits; bits &= bits - 1) {
                const int from = (w * 64 + __builtin_ctzll(bits)) * 8;
                // The cells of the block that hold something, as bits.
                unsigned used = 0;
                for (int k = 0; k < 8 && from + k < stride_; ++k) used |= unsigned(acc[from + k] != 0) << k;
                for (; used; used &= used - 1) {
                    const int i = from + __builtin_ctz(used);
                    const float v = acc[i];
                    acc[i] = 0;
                    if (i >= width_) continue;  // the spare cell past the band
                    s += v;
                    const uint8_t a = toAlpha(s, winding);
                    if (a == cur) continue;
                    if (cur) add(runStart, i, cur);
                    cur = a;
                    runStart = i;
                }
            }
        }
        // Past the last edge the coverage stays as it is to the band's end.
        if (cur) add(runStart, width_, cur);
        flushStretch();
    }
}

}  // namespace vx::swf
