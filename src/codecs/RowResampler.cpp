#include "codecs/RowResampler.h"

#include <algorithm>

namespace vx {

namespace {

// Weight of a part of length `part` of a source pixel, in 1/256 of a target
// pixel (target pixels are `unit` long).
uint32_t weightOf(int64_t part, int64_t unit)
{
    return uint32_t((part * 256 + unit / 2) / unit);
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
    line_.assign(size_t(tw_) * 3 + 3, 0);
    current_.assign(size_t(tw_) * 3, 0);
    next_.assign(size_t(tw_) * 3, 0);
}

void RowResampler::addRow(const uint8_t* bgrx)
{
    if (sourceRow_ >= sh_ || targetRow_ >= th_)
        return;
    std::fill(line_.begin(), line_.end(), 0u);
    for (int x = 0; x < sw_; ++x, bgrx += 4) {
        uint32_t* t = &line_[size_t(column_[size_t(x)]) * 3];
        const uint32_t w0 = weight0_[size_t(x)], w1 = weight1_[size_t(x)];
        t[0] += w0 * bgrx[0];
        t[1] += w0 * bgrx[1];
        t[2] += w0 * bgrx[2];
        t[3] += w1 * bgrx[0];
        t[4] += w1 * bgrx[1];
        t[5] += w1 * bgrx[2];
    }
    const int64_t start = int64_t(sourceRow_) * th_;
    const int64_t end = start + th_;
    const int64_t boundary = int64_t(targetRow_ + 1) * sh_;
    const uint32_t v0 = weightOf(std::min(end, boundary) - start, sh_);
    const uint32_t v1 = end > boundary ? weightOf(end - boundary, sh_) : 0;
    const size_t n = size_t(tw_) * 3;
    for (size_t i = 0; i < n; ++i)
        current_[i] += v0 * line_[i];
    currentSum_ += v0;
    if (v1 > 0) {
        for (size_t i = 0; i < n; ++i)
            next_[i] += v1 * line_[i];
        nextSum_ += v1;
    }
    ++sourceRow_;
    if (end >= boundary)
        emitRow();
}

void RowResampler::emitRow()
{
    if (targetRow_ >= th_)
        return;
    auto* row = reinterpret_cast<uint32_t*>(out_.scanLine(targetRow_));
    for (int x = 0; x < tw_; ++x) {
        const uint32_t* p = &current_[size_t(x) * 3];
        const uint64_t total = uint64_t(columnSum_[size_t(x)]) * currentSum_;
        auto channel = [total](uint32_t v) -> uint32_t {
            return total ? uint32_t(std::min<uint64_t>(255, (uint64_t(v) + total / 2) / total)) : 0u;
        };
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
