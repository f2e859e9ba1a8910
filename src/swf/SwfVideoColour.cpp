#include "swf/SwfVideoColour.h"

#include <algorithm>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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
            for (int x = 0; x < w / 2; ++x) {
                uw[2 * x] = uw[2 * x + 1] = us[x];
                vw[2 * x] = vw[2 * x + 1] = vs[x];
            }
            if (w & 1) {
                uw[w - 1] = us[w / 2];
                vw[w - 1] = vs[w / 2];
            }
        }
        convertRow<Alpha>(p.y + qsizetype(row) * p.yStride, uw, vw, Alpha ? p.a + qsizetype(row) * p.aStride : nullptr,
                          reinterpret_cast<uint32_t*>(bits + qsizetype(row) * stride), w);
    }
}

#if defined(__x86_64__)

// Sixteen opaque pixels at a time in 16-bit lanes. Each coefficient is
// split into a whole multiple of 65536 and a part that fits 16 bits
// (kY = 65536 + 10773, kRv = 2 * 65536 - 26475, kGv = -65536 + 12257,
// kBu = 2 * 65536 + 1129): with y = luma - 16, u and v centred on 0,
//   red   = y + 2v + ((10773y - 26475v + 32768) >> 16)
//   green = y - v + ((10773y - 25675u + 12257v + 32768) >> 16)
//   blue  = y + 2u + ((10773y + 1129u + 32768) >> 16)
// which is exactly the sum of convertRow shifted once, as whole multiples
// of 65536 pass through the shift unchanged. The small products are
// summed in pairs by one multiply-add, and packing to bytes clamps.

// (a * ka + b * kb + c * kc + 32768) >> 16 for sixteen pixels; the
// rounding joins c's product as 16 * 2048.
__attribute__((target("avx2"))) inline __m256i fraction(__m256i a, __m256i b, __m256i c, __m256i ka, __m256i kb, __m256i kc)
{
    const __m256i c16 = _mm256_set1_epi16(16), k2048 = _mm256_set1_epi16(2048);
    const __m256i lo = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), _mm256_unpacklo_epi16(ka, kb)),
                                        _mm256_madd_epi16(_mm256_unpacklo_epi16(c, c16), _mm256_unpacklo_epi16(kc, k2048)));
    const __m256i hi = _mm256_add_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), _mm256_unpackhi_epi16(ka, kb)),
                                        _mm256_madd_epi16(_mm256_unpackhi_epi16(c, c16), _mm256_unpackhi_epi16(kc, k2048)));
    // Packing undoes the interleaving of the unpacks: the pixels come back in order.
    return _mm256_packs_epi32(_mm256_srai_epi32(lo, 16), _mm256_srai_epi32(hi, 16));
}

// Sixteen bytes widened to 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i load16(const uint8_t* p)
{
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}

// Eight chroma samples, each doubled for the two pixels it covers, in 16-bit lanes.
__attribute__((target("avx2"))) inline __m256i widen8(const uint8_t* p)
{
    const __m128i c = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    return _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(c, c));
}

// One row of opaque pixels from luma and the chroma rows at half width.
__attribute__((target("avx2"))) void convertOpaqueRowAvx2(const uint8_t* __restrict ys, const uint8_t* __restrict us,
                                                          const uint8_t* __restrict vs, uint32_t* __restrict d, int w)
{
    const __m256i c16 = _mm256_set1_epi16(16), c128 = _mm256_set1_epi16(128), none = _mm256_setzero_si256();
    const __m256i kYf = _mm256_set1_epi16(10773), kRvf = _mm256_set1_epi16(-26475), kGuf = _mm256_set1_epi16(-25675),
                  kGvf = _mm256_set1_epi16(12257), kBuf = _mm256_set1_epi16(1129), opaque = _mm256_set1_epi16(255);
    int x = 0;
    for (; x + 16 <= w; x += 16) {
        const __m256i y = _mm256_sub_epi16(load16(ys + x), c16);
        const __m256i u = _mm256_sub_epi16(widen8(us + x / 2), c128);
        const __m256i v = _mm256_sub_epi16(widen8(vs + x / 2), c128);
        const __m256i r = _mm256_add_epi16(_mm256_add_epi16(y, _mm256_add_epi16(v, v)), fraction(y, v, none, kYf, kRvf, none));
        const __m256i g = _mm256_add_epi16(_mm256_sub_epi16(y, v), fraction(y, u, v, kYf, kGuf, kGvf));
        const __m256i b = _mm256_add_epi16(_mm256_add_epi16(y, _mm256_add_epi16(u, u)), fraction(y, u, none, kYf, kBuf, none));
        // Bytes B, R and G, A per lane (packing clamps to 0..255);
        // interleaved twice they make B, G, R, A, the memory order of ARGB32.
        const __m256i br = _mm256_packus_epi16(b, r), ga = _mm256_packus_epi16(g, opaque);
        const __m256i bg = _mm256_unpacklo_epi8(br, ga), ra = _mm256_unpackhi_epi8(br, ga);
        const __m256i p0 = _mm256_unpacklo_epi16(bg, ra), p1 = _mm256_unpackhi_epi16(bg, ra);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x), _mm256_permute2x128_si256(p0, p1, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d + x + 8), _mm256_permute2x128_si256(p0, p1, 0x31));
    }
    for (; x < w; ++x) {
        const int32_t yy = kY * (int32_t(ys[x]) - 16) + 32768;
        const int32_t u = int32_t(us[x >> 1]) - 128, v = int32_t(vs[x >> 1]) - 128;
        d[x] = 0xff000000u | uint32_t(to8(yy + kRv * v)) << 16 | uint32_t(to8(yy + kGu * u + kGv * v)) << 8 |
               uint32_t(to8(yy + kBu * u));
    }
}

// The same with AVX-512: thirty-two pixels at a time.
__attribute__((target("avx512bw"))) inline __m512i fraction(__m512i a, __m512i b, __m512i c, __m512i ka, __m512i kb, __m512i kc)
{
    const __m512i c16 = _mm512_set1_epi16(16), k2048 = _mm512_set1_epi16(2048);
    const __m512i lo = _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpacklo_epi16(a, b), _mm512_unpacklo_epi16(ka, kb)),
                                        _mm512_madd_epi16(_mm512_unpacklo_epi16(c, c16), _mm512_unpacklo_epi16(kc, k2048)));
    const __m512i hi = _mm512_add_epi32(_mm512_madd_epi16(_mm512_unpackhi_epi16(a, b), _mm512_unpackhi_epi16(ka, kb)),
                                        _mm512_madd_epi16(_mm512_unpackhi_epi16(c, c16), _mm512_unpackhi_epi16(kc, k2048)));
    // (The zero-masked shift: the plain one upsets GCC 12 about an undefined vector.)
    return _mm512_packs_epi32(_mm512_maskz_srai_epi32(0xffff, lo, 16), _mm512_maskz_srai_epi32(0xffff, hi, 16));
}

__attribute__((target("avx512bw"))) inline __m512i widen16(const uint8_t* p)
{
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    return _mm512_cvtepu8_epi16(_mm256_set_m128i(_mm_unpackhi_epi8(c, c), _mm_unpacklo_epi8(c, c)));
}

__attribute__((target("avx512bw"))) void convertOpaqueRowAvx512(const uint8_t* __restrict ys, const uint8_t* __restrict us,
                                                              const uint8_t* __restrict vs, uint32_t* __restrict d, int w)
{
    const __m512i c16 = _mm512_set1_epi16(16), c128 = _mm512_set1_epi16(128), none = _mm512_setzero_si512();
    const __m512i kYf = _mm512_set1_epi16(10773), kRvf = _mm512_set1_epi16(-26475), kGuf = _mm512_set1_epi16(-25675),
                  kGvf = _mm512_set1_epi16(12257), kBuf = _mm512_set1_epi16(1129), opaque = _mm512_set1_epi16(255);
    // The four 128-bit lanes of the two interleaved halves, put in pixel order.
    const __m512i first = _mm512_set_epi64(11, 10, 3, 2, 9, 8, 1, 0), second = _mm512_set_epi64(15, 14, 7, 6, 13, 12, 5, 4);
    int x = 0;
    for (; x + 32 <= w; x += 32) {
        const __m512i y = _mm512_sub_epi16(_mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(ys + x))), c16);
        const __m512i u = _mm512_sub_epi16(widen16(us + x / 2), c128);
        const __m512i v = _mm512_sub_epi16(widen16(vs + x / 2), c128);
        const __m512i r = _mm512_add_epi16(_mm512_add_epi16(y, _mm512_add_epi16(v, v)), fraction(y, v, none, kYf, kRvf, none));
        const __m512i g = _mm512_add_epi16(_mm512_sub_epi16(y, v), fraction(y, u, v, kYf, kGuf, kGvf));
        const __m512i b = _mm512_add_epi16(_mm512_add_epi16(y, _mm512_add_epi16(u, u)), fraction(y, u, none, kYf, kBuf, none));
        const __m512i br = _mm512_packus_epi16(b, r), ga = _mm512_packus_epi16(g, opaque);
        const __m512i bg = _mm512_unpacklo_epi8(br, ga), ra = _mm512_unpackhi_epi8(br, ga);
        const __m512i p0 = _mm512_unpacklo_epi16(bg, ra), p1 = _mm512_unpackhi_epi16(bg, ra);
        _mm512_storeu_si512(d + x, _mm512_permutex2var_epi64(p0, first, p1));
        _mm512_storeu_si512(d + x + 16, _mm512_permutex2var_epi64(p0, second, p1));
    }
    if (x < w) convertOpaqueRowAvx2(ys + x, us + x / 2, vs + x / 2, d + x, w - x);
}

__attribute__((target("avx512bw"))) void convertOpaqueAvx512(const YuvPlanes& p, uchar* bits, qsizetype stride, int w, int h)
{
    for (int row = 0; row < h; ++row)
        convertOpaqueRowAvx512(p.y + qsizetype(row) * p.yStride, p.u + qsizetype(row / 2) * p.uStride,
                               p.v + qsizetype(row / 2) * p.vStride, reinterpret_cast<uint32_t*>(bits + qsizetype(row) * stride), w);
}

__attribute__((target("avx2"))) void convertOpaqueAvx2(const YuvPlanes& p, uchar* bits, qsizetype stride, int w, int h)
{
    for (int row = 0; row < h; ++row)
        convertOpaqueRowAvx2(p.y + qsizetype(row) * p.yStride, p.u + qsizetype(row / 2) * p.uStride,
                             p.v + qsizetype(row / 2) * p.vStride, reinterpret_cast<uint32_t*>(bits + qsizetype(row) * stride), w);
}

#endif

// Without the code above (pictures with alpha, other processors): the
// compiler's vector code, a copy built for AVX2 where the processor has it.
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

void yuv420ToArgb(const YuvPlanes& p, QImage& out, VectorLevel widest)
{
    const int w = std::min(out.width(), p.width), h = std::min(out.height(), p.height);
    if (w <= 0 || h <= 0) return;
    uchar* bits = out.bits();
    const qsizetype stride = out.bytesPerLine();
    if (p.a) convertAlpha(p, bits, stride, w, h);
#if defined(__x86_64__)
    else if (widest >= VectorLevel::Avx512 && __builtin_cpu_supports("avx512bw")) convertOpaqueAvx512(p, bits, stride, w, h);
    else if (widest >= VectorLevel::Avx2 && __builtin_cpu_supports("avx2")) convertOpaqueAvx2(p, bits, stride, w, h);
#else
    (void)widest;
#endif
    else convertOpaque(p, bits, stride, w, h);
}

}  // namespace vx::swf
