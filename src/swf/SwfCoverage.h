// Antialiased scan conversion: how much of each pixel a filled outline
// covers. Every edge leaves, in each pixel it crosses, the signed area to its
// right inside that pixel, and the rest of its height to the pixels after.
// Summed along a row these give the coverage, which stays the same between
// the pixels edges touch: the result is runs of constant coverage.
#pragma once

#include "swf/SwfRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    // Nothing once this rasterizer has handed on pixelBudget() pixels.
    const CoverRuns& rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip);

    // The same coverage handed row by row, left to right, to `sink`
    // instead of kept: sink.run(y, x0, x1, cover) for runs of one cover and
    // sink.mask(y, x0, n, alpha) for stretches where it changes from pixel
    // to pixel.
    template <class Sink>
    void rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip, Sink& sink);

    // Whether this rasterizer has handed on all the pixels it may for `clip`.
    bool spent(const QRect& clip) const { return pixelsSpent_ > pixelBudget(clip); }

    // Aliased spans as fully covered runs.
    static void fromSpans(const std::vector<Span>& spans, CoverRuns& out);

    // Areas are done in bands of at most this many rows of that width, so
    // that the cells held at once stay few.
    static int bandRows(int width);

private:
    // One band: setBand() with its device area, its edges, then sweep().
    void setBand(const QRect& area);
    void addEdge(const ScanRaster::Edge& e);
    template <class Sink>
    void sweep(bool winding, Sink& sink);
    // The band within the clip that edges reach; false when empty.
    bool area(const std::vector<ScanRaster::Edge>& edges, const QRect& clip, QRect& out) const;
    void deposit(int row, double xa, double xb, float h);
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
    std::vector<uint8_t> rowCover_;  // a row's cover, block by block
    int64_t work_ = 0;
    int64_t pixelsSpent_ = 0;  // pixels handed on in all
};

template <class Sink>
void CoverageRaster::rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip,
                               Sink& sink)
{
    QRect all;
    if (spent(clip) || !area(edges, clip, all)) return;
    const int rows = bandRows(all.width());
    for (int bandTop = all.top(); bandTop <= all.bottom(); bandTop += rows) {
        setBand(QRect(all.left(), bandTop, all.width(), std::min(rows, all.bottom() + 1 - bandTop)));
        for (const ScanRaster::Edge& e : edges) addEdge(e);
        sweep(winding, sink);
    }
}

// Eight cells from `cells` on as cover bytes in `out`, the running sum
// carried in and out through `s`; the cells are left cleared.
inline void coverBlock(float* cells, float& s, bool winding, uint8_t* out)
{
#if defined(__SSE2__)
    const __m128 zero = _mm_setzero_ps();
    __m128 a = _mm_loadu_ps(cells), b = _mm_loadu_ps(cells + 4);
    _mm_storeu_ps(cells, zero);
    _mm_storeu_ps(cells + 4, zero);
    // Running sums within each four, then carried across.
    a = _mm_add_ps(a, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(a), 4)));
    b = _mm_add_ps(b, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(b), 4)));
    a = _mm_add_ps(a, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(a), 8)));
    b = _mm_add_ps(b, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(b), 8)));
    a = _mm_add_ps(a, _mm_set1_ps(s));
    b = _mm_add_ps(b, _mm_shuffle_ps(a, a, 0xff));
    s = _mm_cvtss_f32(_mm_shuffle_ps(b, b, 0xff));
    const __m128 sign = _mm_set1_ps(-0.0f), one = _mm_set1_ps(1);
    a = _mm_andnot_ps(sign, a);
    b = _mm_andnot_ps(sign, b);
    if (!winding) {
        // The even-odd rule folds the sum: 1 covered, 2 not, 3 covered...
        // The sum is at most the number of edges, well inside an int.
        const __m128 two = _mm_set1_ps(2), half = _mm_set1_ps(0.5f);
        a = _mm_sub_ps(a, _mm_mul_ps(two, _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(a, half)))));
        b = _mm_sub_ps(b, _mm_mul_ps(two, _mm_cvtepi32_ps(_mm_cvttps_epi32(_mm_mul_ps(b, half)))));
        a = _mm_min_ps(a, _mm_sub_ps(two, a));
        b = _mm_min_ps(b, _mm_sub_ps(two, b));
    }
    a = _mm_min_ps(a, one);
    b = _mm_min_ps(b, one);
    const __m128 scale = _mm_set1_ps(255), round = _mm_set1_ps(0.5f);
    const __m128i ia = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(a, scale), round));
    const __m128i ib = _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(b, scale), round));
    const __m128i words = _mm_packs_epi32(ia, ib);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
#else
    for (int k = 0; k < 8; ++k) {
        s += cells[k];
        cells[k] = 0;
        float c = std::abs(s);
        if (!winding) {
            c -= 2 * float(int(c * 0.5f));
            c = std::min(c, 2 - c);
        }
        out[k] = uint8_t(std::min(c, 1.0f) * 255 + 0.5f);
    }
#endif
}

template <class Sink>
void CoverageRaster::sweep(bool winding, Sink& sink)
{
    for (int row = 0; row < rows_; ++row) {
        float* acc = acc_.data() + size_t(row) * size_t(stride_);
        uint64_t* words = blocks_.data() + size_t(row) * size_t(wordsPerRow_);
        const int y = top_ + row;
        uint8_t* cover = rowCover_.data();
        // Blocks that follow each other are handed on as one stretch.
        int maskFrom = 0, maskTo = 0;
        auto flush = [&] {
            if (maskTo > maskFrom) sink.mask(y, left_ + maskFrom, maskTo - maskFrom, cover + maskFrom);
            pixelsSpent_ += maskTo - maskFrom;
            maskFrom = maskTo = 0;
        };
        auto run = [&](int from, int to, uint8_t level) {
            sink.run(y, left_ + from, left_ + to, level);
            pixelsSpent_ += to - from;
        };
        // Between the blocks of cells written the sum, and so the coverage,
        // stays as it is: only those blocks are looked at.
        float s = 0;
        uint8_t cur = 0;
        int done = 0;  // cells before this one are handed on
        for (int w = 0; w < wordsPerRow_; ++w) {
            for (uint64_t bits = words[w]; bits; bits &= bits - 1) {
                const int from = (w * 64 + __builtin_ctzll(bits)) * 8;
                coverBlock(acc + from, s, winding, cover + from);
                if (from >= width_) continue;  // the spare cells past the band
                if (from > done) {
                    flush();
                    if (cur) run(done, from, cur);
                }
                const int to = std::min(from + 8, width_);
                if (maskTo != from) {
                    flush();
                    maskFrom = from;
                }
                maskTo = done = to;
                cur = cover[from + 7];
            }
        }
        flush();
        // Past the last edge the coverage stays as it is to the band's end.
        if (cur && done < width_) run(done, width_, cur);
    }
}

}  // namespace vx::swf
