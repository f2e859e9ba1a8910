#include "swf/SwfVideoColour.h"

#include <algorithm>
#include <vector>

namespace vx::swf {

namespace {

// The coefficients in 16.16 fixed point, each multiplied by its value and
// the sum rounded once: the reference player's rounding, which products
// rounded on their own miss by one now and then.
constexpr int32_t kY = 76309, kRv = 104597, kGu = -25675, kGv = -53279, kBu = 132201;

inline int32_t to8(int32_t v)
{
    v >>= 16;
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

// One row: luma, the chroma samples already widened to one a pixel, and
// alpha (null: opaque). Plain element-wise arithmetic that the compiler
// turns into vector code.
template <bool Alpha>
__attribute__((always_inline)) inline void convertRow(const uint8_t* __restrict ys, const uint8_t* __restrict us, const uint8_t* __restrict vs,
                       const uint8_t* __restrict as, uint32_t* __restrict d, int w)
{
    for (int x = 0; x < w; ++x) {
        const int32_t yy = kY * (int32_t(ys[x]) - 16) + 32768;
        const int32_t u = int32_t(us[x]) - 128, v = int32_t(vs[x]) - 128;
        int32_t r = to8(yy + kRv * v), g = to8(yy + kGu * u + kGv * v), b = to8(yy + kBu * u);
        if constexpr (Alpha) {
            // The colour planes of a picture with alpha hold premultiplied colour.
            const int32_t a = as[x];
            r = std::min(r, a);
            g = std::min(g, a);
            b = std::min(b, a);
            d[x] = uint32_t(a) << 24 | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        } else {
            d[x] = 0xff000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
        }
    }
}

template <bool Alpha>
__attribute__((always_inline)) inline void convert(const YuvPlanes& p, uchar* bits, qsizetype stride, int w, int h)
{
    std::vector<uint8_t> wide(size_t(w) * 2);
    uint8_t* uw = wide.data();
    uint8_t* vw = uw + w;
    for (int row = 0; row < h; ++row) {
        if ((row & 1) == 0) {
            // Each chroma sample covers two pixels of two rows.
            const uint8_t* us = p.u + qsizetype(row / 2) * p.uStride;
            const uint8_t* vs = p.v + qsizetype(row / 2) * p.vStride;
            for (int x = 0; x < w; ++x) {
                uw[x] = us[x >> 1];
                vw[x] = vs[x >> 1];
            }
        }
        convertRow<Alpha>(p.y + qsizetype(row) * p.yStride, uw, vw, Alpha ? p.a + qsizetype(row) * p.aStride : nullptr,
                          reinterpret_cast<uint32_t*>(bits + qsizetype(row) * stride), w);
    }
}

// Processors with AVX2 multiply eight 32-bit lanes at once: the pictures
// are converted by a copy of the code built for them where the processor
// has it.
__attribute__((target_clones("avx2", "default"))) void convertOpaque(const YuvPlanes& p, uchar* bits,
                                                                       qsizetype stride, int w, int h)
{
    convert<false>(p, bits, stride, w, h);
}

__attribute__((target_clones("avx2", "default"))) void convertAlpha(const YuvPlanes& p, uchar* bits,
                                                                      qsizetype stride, int w, int h)
{
    convert<true>(p, bits, stride, w, h);
}

}  // namespace

void yuv420ToArgb(const YuvPlanes& p, QImage& out)
{
    const int w = std::min(out.width(), p.width), h = std::min(out.height(), p.height);
    if (w <= 0 || h <= 0) return;
    uchar* bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    if (p.a) convertAlpha(p, bits, stride, w, h);
    else convertOpaque(p, bits, stride, w, h);
}

}  // namespace vx::swf
