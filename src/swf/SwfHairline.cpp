#include "swf/SwfHairline.h"
#include "swf/SwfMath.h"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx::swf {

namespace {

// Centre lines are cut within this many device pixels of their curves:
// a fifth of a pixel does not show on a line a pixel wide.
constexpr double kTolerance = 0.2;
// Pixels a line of at most kMaxWidth crosses in one column.
constexpr int kRows = 4;

bool finite(QPointF p)
{
    return std::isfinite(p.x()) && std::isfinite(p.y());
}

// `end` moved `by` further, away from `from`.
QPointF extended(QPointF end, QPointF from, double by)
{
    const QPointF d = end - from;
    const double len = std::hypot(d.x(), d.y());
    return len > 0 ? end + d * (by / len) : end;
}

}  // namespace

const CoverRuns& HairlineRaster::rasterize(const QPainterPath& path, const QTransform& toDevice, double width,
                                           bool caps, const QRect& clip)
{
    runs_.clear();
    CoverRuns::Sink sink{runs_};
    build(path, toDevice, width, caps, clip, [&] { sweep(sink); });
    return runs_;
}

void HairlineRaster::draw(Canvas& canvas, QRgb colour, const QPainterPath& path, const QTransform& toDevice,
                          double width, bool caps, const QRect& clip)
{
    if ((colour >> 24) == 0) return;
    Canvas::SolidSink sink{canvas, colour};
    build(path, toDevice, width, caps, clip, [&] { sweep(sink); });
}

template <class SweepBand>
void HairlineRaster::build(const QPainterPath& path, const QTransform& toDevice, double width, bool caps,
                           const QRect& clip, SweepBand&& sweepBand)
{
    if (spent_ >= kMaxEdgesPerRaster || pixelsSpent_ > pixelBudget(clip)) return;
    ScanRaster::polylines(path, toDevice, kTolerance, points_, starts_);
    spent_ += points_.size();
    double minX = std::numeric_limits<double>::infinity(), maxX = -minX, minY = minX, maxY = -minX;
    for (const QPointF& p : points_) {
        if (!finite(p)) continue;
        minX = std::min(minX, p.x());
        maxX = std::max(maxX, p.x());
        minY = std::min(minY, p.y());
        maxY = std::max(maxY, p.y());
    }
    const double reach = width + 1;
    const double clipRight = double(clip.right()) + 1, clipBottom = double(clip.bottom()) + 1;
    if (!(minX <= maxX) || clip.isEmpty()) return;
    const int left = int(std::clamp(std::floor(minX - reach), double(clip.left()), clipRight));
    const int right = int(std::clamp(std::ceil(maxX + reach), double(clip.left()), clipRight));
    const int top = int(std::clamp(std::floor(minY - reach), double(clip.top()), clipBottom));
    const int bottom = int(std::clamp(std::ceil(maxY + reach), double(clip.top()), clipBottom));
    if (left >= right || top >= bottom) return;
    // Whole blocks of eight where the clip allows, as for fills.
    const int wide = std::min(int(clipRight) - left, (right - left + 7) & ~7);
    const int rows = CoverageRaster::bandRows(wide);
    for (int bandTop = top; bandTop < bottom; bandTop += rows) {
        setBand(QRect(left, bandTop, wide, std::min(rows, bottom - bandTop)));
        for (size_t k = 0; k < starts_.size(); ++k) {
            const int s = starts_[k];
            const int e = k + 1 < starts_.size() ? starts_[k + 1] : int(points_.size());
            if (e - s < 2) continue;
            const bool closed = points_[size_t(s)] == points_[size_t(e - 1)];
            for (int i = s; i + 1 < e; ++i) {
                QPointF a = points_[size_t(i)], b = points_[size_t(i + 1)];
                if (caps && !closed) {
                    if (i == s) a = extended(a, b, width / 2);
                    if (i + 2 == e) b = extended(b, a, width / 2);
                }
                segment(a, b, width);
            }
        }
        flushMarks();
        sweepBand();
    }
}

void HairlineRaster::setBand(const QRect& band)
{
    band_ = band;
    // Whole blocks of eight pixels.
    stride_ = (band.width() + 7) & ~7;
    const size_t cells = size_t(band.height()) * size_t(stride_);
    if (cover_.size() < cells) cover_.resize(cells, 0.0f);
    if (alpha_.size() < size_t(stride_)) alpha_.resize(size_t(stride_));
    wordsPerRow_ = (band.width() + 511) / 512;
    blocks_.assign(size_t(band.height()) * size_t(wordsPerRow_), 0);
    pendingUsed_ = 0;
    pendingRow_ = pendingBlock_ = -1;
}

void HairlineRaster::flushMarks()
{
    for (unsigned used = pendingUsed_; used; used &= used - 1) mark(pendingRow_ + __builtin_ctz(used), pendingColumn_);
    pendingUsed_ = 0;
}

// Each row's covered blocks of eight pixels are handed to `sink` as
// stretches of per-pixel cover, blocks that follow each other as one; the
// buffer is left empty for the next use. Only the blocks that were written
// are looked at.
template <class Sink>
void HairlineRaster::sweep(Sink& sink)
{
    const int width = band_.width();
    for (int row = 0; row < band_.height(); ++row) {
        float* c = cover_.data() + size_t(row) * size_t(stride_);
        const int y = band_.top() + row;
        const uint64_t* words = blocks_.data() + size_t(row) * size_t(wordsPerRow_);
        int maskFrom = 0, maskTo = 0;
        auto flush = [&] {
            if (maskTo > maskFrom) sink.mask(y, band_.left() + maskFrom, maskTo - maskFrom, alpha_.data() + maskFrom);
            pixelsSpent_ += maskTo - maskFrom;
            maskFrom = maskTo = 0;
        };
        for (int w = 0; w < wordsPerRow_; ++w) {
            for (uint64_t bits = words[w]; bits; bits &= bits - 1) {
                const int from = (w * 64 + __builtin_ctzll(bits)) * 8;
                float* cells = c + from;
                uint8_t* out = alpha_.data() + from;
#if defined(__SSE2__)
                const __m128 one = _mm_set1_ps(1), scale = _mm_set1_ps(255), round = _mm_set1_ps(0.5f);
                const __m128 a = _mm_min_ps(_mm_loadu_ps(cells), one), b = _mm_min_ps(_mm_loadu_ps(cells + 4), one);
                _mm_storeu_ps(cells, _mm_setzero_ps());
                _mm_storeu_ps(cells + 4, _mm_setzero_ps());
                const __m128i words16 = _mm_packs_epi32(_mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(a, scale), round)),
                                                        _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(b, scale), round)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words16, words16));
#else
                for (int k = 0; k < 8; ++k) {
                    out[k] = uint8_t(std::min(cells[k], 1.0f) * 255 + 0.5f);
                    cells[k] = 0;
                }
#endif
                if (maskTo != from) {
                    flush();
                    maskFrom = from;
                }
                maskTo = std::min(from + 8, width);
            }
        }
        flush();
    }
}

// Column k of a piece (a row when the piece runs more up than across):
// `along` of it crossed, the centre line at vc in the other axis.
template <bool XMajor>
inline void HairlineRaster::column(int k, float along, float vc, float half, int jLo, int jHi)
{
    const float b0 = vc - half, b1 = vc + half;
    const int first = floorInt(b0);
    if (first >= jLo && first + kRows <= jHi) {
        // The band, at most a line's width times the square root of 2
        // across, lies within four pixels: cover all four without tests.
        // e and g are the band's ends measured from the first pixel.
        const float e = b1 - float(first), g = b0 - float(first);
#if defined(__SSE2__)
        // Pixel r covers min(max(e - r, 0), 1), less g for the first.
        __m128 c = _mm_sub_ps(_mm_set1_ps(e), _mm_setr_ps(0, 1, 2, 3));
        c = _mm_min_ps(_mm_max_ps(c, _mm_setzero_ps()), _mm_set1_ps(1));
        c = _mm_mul_ps(_mm_sub_ps(c, _mm_setr_ps(g, 0, 0, 0)), _mm_set1_ps(along));
        if (!XMajor) {
            float* cells = rowOf(k) + first;
            _mm_storeu_ps(cells, _mm_add_ps(_mm_loadu_ps(cells), c));
            markRun(k, first, first + kRows - 1);
            return;
        }
        // Lanes taken out by shuffles: reading them back from memory would
        // wait for the vector store to reach it.
        float* cells = rowOf(first) + k;
        cells[0] += _mm_cvtss_f32(c);
        cells[stride_] += _mm_cvtss_f32(_mm_shuffle_ps(c, c, 1));
        cells[2 * stride_] += _mm_cvtss_f32(_mm_shuffle_ps(c, c, 2));
        cells[3 * stride_] += _mm_cvtss_f32(_mm_shuffle_ps(c, c, 3));
        // Only the rows the band reaches are looked at again; they are
        // noted once for the columns of a block that share them.
        const int block = (k - band_.left()) >> 3;
        if (first != pendingRow_ || block != pendingBlock_) {
            flushMarks();
            pendingRow_ = first;
            pendingBlock_ = block;
            pendingColumn_ = k;
        }
        pendingUsed_ |= unsigned(_mm_movemask_ps(_mm_cmpgt_ps(c, _mm_setzero_ps())));
        return;
#else
        for (int r = 0; r < kRows; ++r) {
            const float c = along * (std::clamp(e - r, 0.0f, 1.0f) - (r == 0 ? g : 0.0f));
            if (XMajor) rowOf(first + r)[k] += c;
            else rowOf(k)[first + r] += c;
        }
        if (XMajor) for (int r = 0; r < kRows; ++r) mark(first + r, k);
        else mark(k, first), mark(k, first + kRows - 1);
        return;
#endif
    }
    const int j0 = std::max(jLo, first), j1 = std::min(jHi, floorInt(b1) + 1);
    for (int j = j0; j < j1; ++j) {
        const float c = along * (std::min(b1, float(j + 1)) - std::max(b0, float(j)));
        if (c <= 0) continue;
        if (XMajor) {
            rowOf(j)[k] += c;
            mark(j, k);
        } else {
            rowOf(k)[j] += c;
            mark(k, j);
        }
    }
}

#if defined(__SSE2__)
// Whole columns k .. k + 3 of a piece running across, one in each lane: the
// centre line at centre + slope * (step + lane). Each row the band may reach
// takes, in each column, the part of the band inside it. False, with
// nothing written, where those rows reach past the band of rows held.
bool HairlineRaster::columns4(int k, float centre, float slope, float step, float half, int jLo, int jHi)
{
    const __m128 vc = _mm_add_ps(_mm_set1_ps(centre),
                                 _mm_mul_ps(_mm_set1_ps(slope), _mm_add_ps(_mm_set1_ps(step), _mm_setr_ps(0, 1, 2, 3))));
    const __m128 b0 = _mm_sub_ps(vc, _mm_set1_ps(half)), b1 = _mm_add_ps(vc, _mm_set1_ps(half));
    const float first = centre + slope * step, last = centre + slope * (step + 3);
    const int top = floorInt(std::min(first, last) - half), bottom = floorInt(std::max(first, last) + half);
    if (top < jLo || bottom >= jHi) return false;
    float* cells = rowOf(top) + k;
    __m128 j = _mm_set1_ps(float(top));
    const __m128 one = _mm_set1_ps(1), zero = _mm_setzero_ps();
    for (int row = top; row <= bottom; ++row, cells += stride_) {
        const __m128 next = _mm_add_ps(j, one);
        const __m128 c = _mm_max_ps(_mm_sub_ps(_mm_min_ps(b1, next), _mm_max_ps(b0, j)), zero);
        _mm_storeu_ps(cells, _mm_add_ps(_mm_loadu_ps(cells), c));
        if (_mm_movemask_ps(_mm_cmpgt_ps(c, zero))) mark(row, k);
        j = next;
    }
    return true;
}
#endif

// One straight piece. Along its major axis each pixel column takes the part
// of the piece inside it; across, the band of the line's width, measured
// along the minor axis, is cut by the pixel rows.
void HairlineRaster::segment(QPointF a, QPointF b, double width)
{
    if (!finite(a) || !finite(b) || a == b) return;
    width = std::clamp(width, 0.0, kMaxWidth);
    const bool xMajor = std::abs(b.x() - a.x()) >= std::abs(b.y() - a.y());
    double ua = xMajor ? a.x() : a.y(), va = xMajor ? a.y() : a.x();
    double ub = xMajor ? b.x() : b.y(), vb = xMajor ? b.y() : b.x();
    if (ua > ub) {
        std::swap(ua, ub);
        std::swap(va, vb);
    }
    const double slope = (vb - va) / (ub - ua);
    const double half = width * std::sqrt(1 + slope * slope) / 2;
    const QRect& area = band_;
    // Only pixels inside the band are written.
    const double uMin = xMajor ? area.left() : area.top(), uMax = xMajor ? area.right() + 1 : area.bottom() + 1;
    const double vMin = xMajor ? area.top() : area.left(), vMax = xMajor ? area.bottom() + 1 : area.right() + 1;
    const int k0 = int(std::clamp(floorFast(ua), uMin, uMax)), k1 = int(std::clamp(-floorFast(-ub), uMin, uMax));
    if (k0 >= k1) return;
    const double vLo = std::min(va, vb) - half, vHi = std::max(va, vb) + half;
    // With room for the four-pixel window below, away from the band's edges.
    const int jLo = int(std::clamp(floorFast(vLo), vMin, vMax));
    const int jHi = int(std::clamp(floorFast(vHi) + kRows, vMin, vMax));
    if (jLo >= jHi) return;
    const float fHalf = float(half);
    // Columns kIn0 .. kIn1 - 1 are crossed whole; the rest take the part
    // of the piece inside them.
    const int kIn0 = int(std::clamp(-floorFast(-ua), double(k0), double(k1)));
    const int kIn1 = std::max(kIn0, int(std::clamp(floorFast(ub), double(k0), double(k1))));
    auto end = [&](int k) {
        const double lo = std::max(ua, double(k)), hi = std::min(ub, double(k + 1));
        if (hi <= lo) return;
        const float vc = float(va + slope * ((lo + hi) / 2 - ua));
        if (xMajor) column<true>(k, float(hi - lo), vc, fHalf, jLo, jHi);
        else column<false>(k, float(hi - lo), vc, fHalf, jLo, jHi);
    };
    for (int k = k0; k < kIn0; ++k) end(k);
    // Along whole columns the centre line's minor coordinate at the
    // column's middle steps by the slope.
    const float centre0 = float(va + slope * (kIn0 + 0.5 - ua)), fSlope = float(slope);
    if (xMajor) {
        int k = kIn0;
#if defined(__SSE2__)
        // Four columns at a time, lined up with the blocks of eight.
        for (; k < kIn1 && ((k - band_.left()) & 3); ++k)
            column<true>(k, 1, centre0 + fSlope * float(k - kIn0), fHalf, jLo, jHi);
        for (; k + 4 <= kIn1; k += 4) {
            if (columns4(k, centre0, fSlope, float(k - kIn0), fHalf, jLo, jHi)) continue;
            for (int q = 0; q < 4; ++q)
                column<true>(k + q, 1, centre0 + fSlope * float(k + q - kIn0), fHalf, jLo, jHi);
        }
#endif
        for (; k < kIn1; ++k) column<true>(k, 1, centre0 + fSlope * float(k - kIn0), fHalf, jLo, jHi);
    } else {
        for (int k = kIn0; k < kIn1; ++k) column<false>(k, 1, centre0 + fSlope * float(k - kIn0), fHalf, jLo, jHi);
    }
    for (int k = std::max(kIn1, kIn0); k < k1; ++k) end(k);
}

}  // namespace vx::swf
