// Source-over blending of premultiplied 32-bit pixels, times a coverage, as
// the canvas does it: a solid colour through per-pixel cover or one cover
// for a run, and a row of colours. Every path rounds the same way, with one
// division per channel: d' = (s * a + d * (255 - sa * a / 255)) / 255.
// Vector paths: SSE2 always, AVX2 where the processor has it.
#pragma once

#include <QRgb>
#include <algorithm>
#include <cstdint>

namespace vx::swf::blend {

// d[0 .. n) covered alpha[i] / 255 by the premultiplied colour s.
void solidMask(QRgb* d, int n, const uint8_t* alpha, QRgb s);
// d[0 .. n) covered cover / 255 by s.
void solidRun(QRgb* d, int n, uint8_t cover, QRgb s);
// d[0 .. n) covered by colours[i], times alpha[i] / 255 when alpha is given,
// otherwise times cover / 255.
void colours(QRgb* d, int n, const uint8_t* alpha, uint8_t cover, const QRgb* colours);

// One pixel, the arithmetic all paths share.
inline uint32_t div255(uint32_t t)
{
    t += 128;
    return (t + (t >> 8)) >> 8;
}

inline uint32_t pixel(uint32_t d, uint32_t s, uint32_t a)
{
    const uint32_t keep = 255 - div255((s >> 24) * a);
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        // Capped as the vector paths saturate, should s not be premultiplied.
        const uint32_t v = std::min<uint32_t>(((s >> shift) & 255) * a + ((d >> shift) & 255) * keep, 65407);
        out |= std::min<uint32_t>(div255(v), 255) << shift;
    }
    return out;
}

}  // namespace vx::swf::blend
