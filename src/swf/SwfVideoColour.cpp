#include "swf/SwfVideoColour.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace vx::swf {

namespace {

struct Tables {
    std::array<int32_t, 256> y, rv, gu, gv, bu;
    Tables()
    {
        // The coefficients in 16.16 fixed point, times each value: the
        // reference player's rounding, which a product rounded on its own
        // misses by one now and then.
        const int32_t cy = 76309, crv = 104597, cgu = -25675, cgv = -53279, cbu = 132201;
        for (int i = 0; i < 256; ++i) {
            y[size_t(i)] = cy * (i - 16) + 32768;
            rv[size_t(i)] = crv * (i - 128);
            gu[size_t(i)] = cgu * (i - 128);
            gv[size_t(i)] = cgv * (i - 128);
            bu[size_t(i)] = cbu * (i - 128);
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

inline uint32_t clamp8(int32_t v)
{
    v >>= 16;
    return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

void yuv420ToArgb(const YuvPlanes& p, QImage& out)
{
    const Tables& t = tables();
    const int w = std::min(out.width(), p.width), h = std::min(out.height(), p.height);
    for (int row = 0; row < h; ++row) {
        const uint8_t* ys = p.y + qsizetype(row) * p.yStride;
        const uint8_t* us = p.u + qsizetype(row / 2) * p.uStride;
        const uint8_t* vs = p.v + qsizetype(row / 2) * p.vStride;
        const uint8_t* as = p.a ? p.a + qsizetype(row) * p.aStride : nullptr;
        QRgb* d = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int x = 0; x < w; ++x) {
            const int32_t yy = t.y[ys[x]];
            const uint8_t u = us[x / 2], v = vs[x / 2];
            uint32_t r = clamp8(yy + t.rv[v]), g = clamp8(yy + t.gu[u] + t.gv[v]), b = clamp8(yy + t.bu[u]);
            if (as) {
                // The colour planes of a picture with alpha hold premultiplied colour.
                const uint32_t a = as[x];
                d[x] = a << 24 | std::min(r, a) << 16 | std::min(g, a) << 8 | std::min(b, a);
            } else {
                d[x] = 0xff000000u | r << 16 | g << 8 | b;
            }
        }
    }
}

}  // namespace vx::swf
