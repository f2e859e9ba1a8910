// Antialiased scan conversion: how much of each pixel a filled outline
// covers, as the share of 16 sample points on a 4 x 4 grid in the pixel
// (at (i + 0.5) / 4 across and down) that lie inside. A sample exactly on an
// edge belongs to the side right of it or below, as the aliased rule has it
// for pixel centres. Between the pixels edges cross the cover stays the
// same: the result is runs of constant cover and short stretches of
// changing cover.
#pragma once

#include "swf/SwfRaster.h"

#include <algorithm>
#include <cmath>
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
    // Nothing once this rasterizer has handed on pixelBudget() pixels.
    const CoverRuns& rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip);

    // The same coverage handed row by row, left to right, to `sink`
    // instead of kept: sink.run(y, x0, x1, cover) for runs of one cover and
    // sink.mask(y, x0, n, alpha) for stretches where it changes from pixel
    // to pixel (which may reach on past the outline with cover 0, in whole
    // blocks of eight, inside the clip).
    template <class Sink>
    void rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip, Sink& sink);

    // Whether this rasterizer has handed on all the pixels it may for `clip`.
    bool spent(const QRect& clip) const { return pixelsSpent_ > pixelBudget(clip); }

    // Aliased spans as fully covered runs.
    static void fromSpans(const std::vector<Span>& spans, CoverRuns& out);

    // Rows of that width done at once by the thin line rasterizer.
    static int bandRows(int width);

    // The cover byte of n of 16 samples.
    static int levelOfSamples(int n) { return (n * 255 + 8) / 16; }

private:
    // The area within the clip that edges reach; false when empty.
    bool area(const std::vector<ScanRaster::Edge>& edges, const QRect& clip, QRect& out) const;
    // A row whose sample rows each cross the outline twice, handed on as
    // the stretches of pixels the two sides cross and the run between;
    // false when the sides come too close for that.
    template <class Column, class Sink>
    bool twoCrossingRow(int y, const Column& column, uint8_t* levels, Sink& sink);
    template <class Sink>
    bool twoSides(int y, int l0, int l1, int r0, int r1, const int* from, const int* to, uint8_t* levels, Sink& sink);
    // Sorts by the first member: by insertion when there are few, as there
    // nearly always are.
    template <class T>
    static void smallSort(std::vector<T>& v)
    {
        if (v.size() > 16) {
            std::sort(v.begin(), v.end(), [](const T& a, const T& b) { return a.first < b.first; });
            return;
        }
        for (size_t i = 1; i < v.size(); ++i)
            for (size_t k = i; k > 0 && v[k].first < v[k - 1].first; --k) std::swap(v[k], v[k - 1]);
    }

    // Crossings looked at in one call at most: a hostile outline stops there.
    static constexpr int64_t kMaxWork = int64_t(1) << 26;

    QRect area_;
    CoverRuns runs_;
    std::vector<uint8_t> rowCover_;  // a row's cover
    int64_t pixelsSpent_ = 0;        // pixels handed on in all
    // Edges in order of their tops, those that reach the row, the crossings
    // of each sample row and the changes of the count along the row.
    std::vector<uint32_t> order_, active_;
    std::vector<std::pair<double, int>> subCrossings_[4];
    std::vector<std::pair<int, int>> events_;  // sample column, +1 or -1
};

template <class Sink>
void CoverageRaster::rasterize(const std::vector<ScanRaster::Edge>& edges, bool winding, const QRect& clip,
                               Sink& sink)
{
    QRect all;
    if (spent(clip) || !area(edges, clip, all)) return;
    area_ = all;
    const int left = all.left();
    const double subs = 4.0 * all.width();
    order_.resize(edges.size());
    for (uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
    std::sort(order_.begin(), order_.end(), [&](uint32_t a, uint32_t b) { return edges[a].y0 < edges[b].y0; });
    active_.clear();
    size_t next = 0;
    int64_t work = 0;
    if (rowCover_.size() < size_t(all.width()) + 1) rowCover_.resize(size_t(all.width()) + 1);
    uint8_t* const levels = rowCover_.data();
    // Crossings are exact multiples of a small fraction of a twip: rounding
    // must not move a sample that lies on an edge to the other side.
    constexpr double kTie = 1e-7;
    // A crossing as the first sample column right of it (samples lie at
    // (i + 0.5) / 4 of a pixel; one on the edge belongs to the right side).
    auto column = [&](double x) {
        const double v = std::clamp((x - left) * 4 - 0.5 - kTie, 0.0, subs);
        const int t = int(v);
        return t + (t < v);
    };
    for (int y = all.top(); y <= all.bottom(); ++y) {
        // Edges that reach a sample row of this pixel row.
        while (next < order_.size() && edges[order_[next]].y0 <= y + 0.875) active_.push_back(order_[next++]);
        size_t keep = 0;
        for (size_t k = 0; k < active_.size(); ++k)
            if (edges[active_[k]].y1 > y + 0.125) active_[keep++] = active_[k];
        active_.resize(keep);
        if (keep < 2) continue;
        work += int64_t(keep);
        if (work > kMaxWork) break;
        for (auto& c : subCrossings_) c.clear();
        for (const uint32_t i : active_) {
            const ScanRaster::Edge& e = edges[i];
            for (int j = 0; j < 4; ++j) {
                const double yc = y + (j + 0.5) / 4;
                if (e.y0 <= yc && yc < e.y1) subCrossings_[j].emplace_back(e.x0 + (yc - e.y0) * e.dxdy, e.dir);
            }
        }
        if (subCrossings_[0].size() == 2 && subCrossings_[1].size() == 2 && subCrossings_[2].size() == 2 &&
            subCrossings_[3].size() == 2 && twoCrossingRow(y, column, levels, sink))
            continue;
        events_.clear();
        for (auto& cr : subCrossings_) {
            if (cr.size() < 2) continue;
            smallSort(cr);
            int w = 0;
            for (size_t k = 0; k + 1 < cr.size(); ++k) {
                w += cr[k].second;
                if (!(winding ? w != 0 : (w & 1) != 0)) continue;
                const int from = column(cr[k].first), to = column(cr[k + 1].first);
                if (to <= from) continue;
                events_.emplace_back(from, 1);
                events_.emplace_back(to, -1);
            }
        }
        if (events_.empty()) continue;
        smallSort(events_);
        // Between the pixels that hold a change every sample column holds
        // the same count; a pixel's cover is the share of its 16 samples.
        // Pixels with changes that follow each other go on as one stretch.
        int count = 0, maskFrom = 0, maskLen = 0;
        auto flush = [&] {
            if (maskLen) sink.mask(y, left + maskFrom, maskLen, levels);
            pixelsSpent_ += maskLen;
            maskLen = 0;
        };
        size_t e = 0;
        while (e < events_.size()) {
            const int px = events_[e].first / 4;
            if (px >= all.width()) break;  // changes at the area's right side
            int n = 0;
            for (int i = 0; i < 4; ++i) {
                while (e < events_.size() && events_[e].first == 4 * px + i) count += events_[e++].second;
                n += count;
            }
            if (maskLen && px != maskFrom + maskLen) flush();
            if (!maskLen) maskFrom = px;
            levels[maskLen++] = uint8_t(levelOfSamples(n));
            if (e == events_.size()) break;
            const int nextPx = events_[e].first / 4;
            if (nextPx > px + 1 && count > 0) {
                flush();
                sink.run(y, left + px + 1, left + nextPx, uint8_t(levelOfSamples(4 * count)));
                pixelsSpent_ += nextPx - px - 1;
            }
        }
        flush();
    }
}

template <class Column, class Sink>
bool CoverageRaster::twoCrossingRow(int y, const Column& column, uint8_t* levels, Sink& sink)
{
    int from[4], to[4];
    for (int j = 0; j < 4; ++j) {
        const int ca = column(subCrossings_[j][0].first), cb = column(subCrossings_[j][1].first);
        from[j] = std::min(ca, cb);
        to[j] = std::max(ca, cb);
    }
    const int l0 = std::min({from[0], from[1], from[2], from[3]}) / 4,
              l1 = std::max({from[0], from[1], from[2], from[3]}) / 4;
    const int r0 = std::min({to[0], to[1], to[2], to[3]}) / 4, r1 = std::max({to[0], to[1], to[2], to[3]}) / 4;
    if (l1 >= r0) return false;
    // Sample columns end at the area's right side: no pixel lies past it.
    const int last = area_.width() - 1;
    const int r1c = std::min(r1, last), r0c = std::min(r0, last + 1);
    if (l1 > last) return false;
    return twoSides(y, l0, l1, r0c, r1c, from, to, levels, sink);
}

template <class Sink>
bool CoverageRaster::twoSides(int y, int l0, int l1, int r0, int r1, const int* from, const int* to, uint8_t* levels,
                              Sink& sink)
{
    const int x0 = area_.left();
    auto edgeLevels = [&](int p0, int p1, bool leftSide, uint8_t* out) {
        for (int px = p0; px <= p1; ++px) {
            int n = 0;
            for (int j = 0; j < 4; ++j) n += std::clamp(leftSide ? 4 * px + 4 - from[j] : to[j] - 4 * px, 0, 4);
            out[px - p0] = uint8_t(levelOfSamples(n));
        }
    };
    // Stretches are handed on in whole blocks of eight where the area
    // allows, the blenders' unit: full cover inside, none past the side.
    auto round8 = [](int n) { return (n + 7) & ~7; };
    const int n = r1 - l0 + 1;
    const int lw = round8(l1 - l0 + 1), rw = round8(r1 - r0 + 1);
    if (n <= 64 || lw + rw > n) {
        const int w = std::max(n, std::min(round8(n), area_.width() - l0));
        edgeLevels(l0, l1, true, levels);
        std::fill(levels + (l1 + 1 - l0), levels + (r0 - l0), uint8_t(255));
        edgeLevels(r0, r1, false, levels + (r0 - l0));
        std::fill(levels + n, levels + w, uint8_t(0));
        sink.mask(y, x0 + l0, w, levels);
        pixelsSpent_ += w;
        return true;
    }
    edgeLevels(l0, l1, true, levels);
    std::fill(levels + (l1 + 1 - l0), levels + lw, uint8_t(255));
    sink.mask(y, x0 + l0, lw, levels);
    const int rs = r1 + 1 - rw;
    if (rs > l0 + lw) sink.run(y, x0 + l0 + lw, x0 + rs, 255);
    if (rw > 0) {
        std::fill(levels, levels + (r0 - rs), uint8_t(255));
        edgeLevels(r0, r1, false, levels + (r0 - rs));
        sink.mask(y, x0 + rs, rw, levels);
    }
    pixelsSpent_ += n;
    return true;
}

}  // namespace vx::swf
