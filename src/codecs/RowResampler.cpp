#include "codecs/RowResampler.h"

#include "codecs/PixelLoop.h"

#include <algorithm>


namespace vx {

namespace {

// Weight of a part of length `part` of a source pixel, in 1/256 of a target
// pixel (target pixels are `unit` long).
uint32_t weightOf(int64_t part, int64_t unit)
{
    return uint32_t((part * 256 + unit / 2) / unit);
}

// dst[i] += w * src[i]. Baseline x86-64 cannot multiply 32-bit lanes, so
// the loop is also built for AVX2 and the processor picks at load time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("default", "avx2")))
#endif
VX_PIXEL_LOOP void accumulate(uint32_t* __restrict dst, const uint32_t* __restrict src, uint32_t w, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        dst[i] += w * src[i];
}

}  // namespace

// Source pixel i covers [i*t, (i+1)*t) and target pixel j covers [j*s, (j+1)*s)
// in units of 1/(s*t) of the picture; with t <= s a source pixel overlaps at
// most two target pixels. Results are divided by the weights actually
// received, so rounding the weights never changes a flat area.
RowResampler::RowResampler(int sourceWidth, int sourceHeight, QImage& out)
    : sw_(sourceWidth), sh_(sourceHeight), tw_(out.width()), th_(out.height()), out_(out)
{
    column_.resize(size_t(sw_));
    weight0_.resize(size_t(sw_));
    weight1_.resize(size_t(sw_));
    columnSum_.assign(size_t(tw_) + 1, 0);
    for (int x = 0; x < sw_; ++x) {
        const int64_t start = int64_t(x) * tw_;
        const int64_t end = start + tw_;
        const int j = int(start / sw_);
        const int64_t boundary = int64_t(j + 1) * sw_;
        column_[size_t(x)] = j;
        weight0_[size_t(x)] = weightOf(std::min(end, boundary) - start, sw_);
        weight1_[size_t(x)] = end > boundary ? weightOf(end - boundary, sw_) : 0;
        columnSum_[size_t(j)] += weight0_[size_t(x)];
        columnSum_[size_t(j) + 1] += weight1_[size_t(x)];
    }
    columnScale_.resize(size_t(tw_));
    for (int j = 0; j < tw_; ++j)
        columnScale_[size_t(j)] = columnSum_[size_t(j)] ? 1.0 / columnSum_[size_t(j)] : 0.0;
    line_.assign(size_t(tw_) * 3 + 3, 0);
    current_.assign(size_t(tw_) * 3, 0);
    next_.assign(size_t(tw_) * 3, 0);
}

void RowResampler::addRow(const uint8_t* bgrx)
{
    addPixels<4>(bgrx);
}

void RowResampler::addRow24(const uint8_t* bgr)
{
    addPixels<3>(bgr);
}

template <int Step>
VX_PIXEL_LOOP void RowResampler::addPixels(const uint8_t* bgrx)
{
    if (sourceRow_ >= sh_ || targetRow_ >= th_)
        return;
    // Source pixels come in column order: the target column being filled
    // and the share carried into the next one stay in registers, and each
    // column is written once.
    std::fill(line_.begin(), line_.end(), 0u);
    int j = column_[0];
    uint32_t a0 = 0, a1 = 0, a2 = 0, c0 = 0, c1 = 0, c2 = 0;
    for (int x = 0; x < sw_; ++x, bgrx += Step) {
        const int column = column_[size_t(x)];
        if (column != j) {
            uint32_t* t = &line_[size_t(j) * 3];
            t[0] = a0, t[1] = a1, t[2] = a2;
            if (column == j + 1) {
                a0 = c0, a1 = c1, a2 = c2;
            } else {
                t[3] = c0, t[4] = c1, t[5] = c2;
                a0 = a1 = a2 = 0;
            }
            c0 = c1 = c2 = 0;
            j = column;
        }
        const uint32_t w0 = weight0_[size_t(x)], w1 = weight1_[size_t(x)];
        a0 += w0 * bgrx[0];
        a1 += w0 * bgrx[1];
        a2 += w0 * bgrx[2];
        c0 += w1 * bgrx[0];
        c1 += w1 * bgrx[1];
        c2 += w1 * bgrx[2];
    }
    uint32_t* t = &line_[size_t(j) * 3];
    t[0] = a0, t[1] = a1, t[2] = a2;
    t[3] = c0, t[4] = c1, t[5] = c2;
    const int64_t start = int64_t(sourceRow_) * th_;
    const int64_t end = start + th_;
    const int64_t boundary = int64_t(targetRow_ + 1) * sh_;
    const uint32_t v0 = weightOf(std::min(end, boundary) - start, sh_);
    const uint32_t v1 = end > boundary ? weightOf(end - boundary, sh_) : 0;
    const size_t n = size_t(tw_) * 3;
    accumulate(current_.data(), line_.data(), v0, n);
    currentSum_ += v0;
    if (v1 > 0) {
        accumulate(next_.data(), line_.data(), v1, n);
        nextSum_ += v1;
    }
    ++sourceRow_;
    if (end >= boundary)
        emitRow();
}

VX_PIXEL_LOOP void RowResampler::emitRow()
{
    if (targetRow_ >= th_)
        return;
    auto* row = reinterpret_cast<uint32_t*>(out_.scanLine(targetRow_));
    // Sums divided by the weights received, rounded: multiplied by their
    // reciprocals, which the columns share from row to row.
    const double rowScale = currentSum_ ? 1.0 / currentSum_ : 0.0;
    for (int x = 0; x < tw_; ++x) {
        const uint32_t* p = &current_[size_t(x) * 3];
        const double scale = columnScale_[size_t(x)] * rowScale;
        auto channel = [scale](uint32_t v) -> uint32_t { return std::min(255u, uint32_t(v * scale + 0.5)); };
        row[x] = 0xFF000000u | (channel(p[2]) << 16) | (channel(p[1]) << 8) | channel(p[0]);
    }
    ++targetRow_;
    current_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0u);
    currentSum_ = nextSum_;
    nextSum_ = 0;
}

void RowResampler::finish()
{
    // Rows the source never reached take what was gathered for them, or gray.
    while (targetRow_ < th_) {
        if (currentSum_ == 0) {
            for (int x = 0; x < tw_; ++x)
                for (int c = 0; c < 3; ++c)
                    current_[size_t(x) * 3 + size_t(c)] = 128 * columnSum_[size_t(x)];
            currentSum_ = 1;
        }
        emitRow();
    }
}

}  // namespace vx
