#include "swf/SwfBlend.h"
#include "platform/VectorState.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define VX_BLEND_X86 1
#endif

namespace vx::swf::blend {

namespace {

#if VX_BLEND_X86

// ---- four pixels at a time (SSE2, always there on x86-64) ----

inline __m128i div255(__m128i t)
{
    return _mm_mulhi_epu16(_mm_adds_epu16(t, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

// Two pixels as 16-bit channels: s times a over d. t is s * a.
inline __m128i over2(__m128i d, __m128i t)
{
    const __m128i k = _mm_shufflehi_epi16(_mm_shufflelo_epi16(div255(t), 0xff), 0xff);
    const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(255), k);
    return div255(_mm_adds_epu16(t, _mm_mullo_epi16(d, keep)));
}

// Cover bytes a[0 .. 3], each repeated over its pixel's four 16-bit channels.
inline void expand4(const uint8_t* a, __m128i& lo, __m128i& hi)
{
    int four;
    std::memcpy(&four, a, 4);
    __m128i c = _mm_cvtsi32_si128(four);
    c = _mm_unpacklo_epi8(c, c);
    c = _mm_unpacklo_epi16(c, c);
    lo = _mm_unpacklo_epi8(c, _mm_setzero_si128());
    hi = _mm_unpackhi_epi8(c, _mm_setzero_si128());
}

// Four pixels of colours src times a16 (lo, hi) over d.
inline void blend4(QRgb* d, __m128i src, __m128i alo, __m128i ahi)
{
    const __m128i zero = _mm_setzero_si128();
    __m128i* p = reinterpret_cast<__m128i*>(d);
    const __m128i v = _mm_loadu_si128(p);
    const __m128i lo = over2(_mm_unpacklo_epi8(v, zero), _mm_mullo_epi16(_mm_unpacklo_epi8(src, zero), alo));
    const __m128i hi = over2(_mm_unpackhi_epi8(v, zero), _mm_mullo_epi16(_mm_unpackhi_epi8(src, zero), ahi));
    _mm_storeu_si128(p, _mm_packus_epi16(lo, hi));
}

// ---- eight pixels at a time (AVX2) ----

__attribute__((target("avx2"))) inline __m256i div255x8(__m256i t)
{
    return _mm256_mulhi_epu16(_mm256_adds_epu16(t, _mm256_set1_epi16(128)), _mm256_set1_epi16(257));
}

__attribute__((target("avx2"))) inline __m256i over4x(__m256i d, __m256i t)
{
    const __m256i k = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(div255x8(t), 0xff), 0xff);
    const __m256i keep = _mm256_sub_epi16(_mm256_set1_epi16(255), k);
    return div255x8(_mm256_adds_epu16(t, _mm256_mullo_epi16(d, keep)));
}

// Cover bytes a[0 .. 7] laid out as the 16-bit channels of the unpacked
// halves of eight pixels: lo holds pixels 0, 1 | 4, 5 and hi 2, 3 | 6, 7.
__attribute__((target("avx2"))) inline void expand8(const uint8_t* a, __m256i& lo, __m256i& hi)
{
    int64_t eight;
    std::memcpy(&eight, a, 8);
    const __m256i c = _mm256_set1_epi64x(eight);
    const char z = char(0x80);
    lo = _mm256_shuffle_epi8(c, _mm256_setr_epi8(0, z, 0, z, 0, z, 0, z, 1, z, 1, z, 1, z, 1, z,  //
                                                 4, z, 4, z, 4, z, 4, z, 5, z, 5, z, 5, z, 5, z));
    hi = _mm256_shuffle_epi8(c, _mm256_setr_epi8(2, z, 2, z, 2, z, 2, z, 3, z, 3, z, 3, z, 3, z,  //
                                                 6, z, 6, z, 6, z, 6, z, 7, z, 7, z, 7, z, 7, z));
}

__attribute__((target("avx2"))) inline void blend8(QRgb* d, __m256i src, __m256i alo, __m256i ahi)
{
    const __m256i zero = _mm256_setzero_si256();
    __m256i* p = reinterpret_cast<__m256i*>(d);
    const __m256i v = _mm256_loadu_si256(p);
    const __m256i lo = over4x(_mm256_unpacklo_epi8(v, zero), _mm256_mullo_epi16(_mm256_unpacklo_epi8(src, zero), alo));
    const __m256i hi = over4x(_mm256_unpackhi_epi8(v, zero), _mm256_mullo_epi16(_mm256_unpackhi_epi8(src, zero), ahi));
    _mm256_storeu_si256(p, _mm256_packus_epi16(lo, hi));
}

__attribute__((target("avx2"))) int solidMaskAvx2(QRgb* d, int n, const uint8_t* a, QRgb s)
{
    const __m256i src = _mm256_set1_epi32(int(s));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        int64_t eight;
        std::memcpy(&eight, a + i, 8);
        if (eight == 0) continue;
        __m256i lo, hi;
        expand8(a + i, lo, hi);
        blend8(d + i, src, lo, hi);
    }
    return i;
}

__attribute__((target("avx2"))) int solidRunAvx2(QRgb* d, int n, uint8_t cover, QRgb s)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i t = _mm256_mullo_epi16(_mm256_unpacklo_epi8(_mm256_set1_epi32(int(s)), zero), _mm256_set1_epi16(cover));
    const __m256i keep = _mm256_sub_epi16(_mm256_set1_epi16(255),
                                          _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(div255x8(t), 0xff), 0xff));
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i* p = reinterpret_cast<__m256i*>(d + i);
        const __m256i v = _mm256_loadu_si256(p);
        const __m256i lo = div255x8(_mm256_adds_epu16(t, _mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero), keep)));
        const __m256i hi = div255x8(_mm256_adds_epu16(t, _mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero), keep)));
        _mm256_storeu_si256(p, _mm256_packus_epi16(lo, hi));
    }
    return i;
}

__attribute__((target("avx2"))) int coloursAvx2(QRgb* d, int n, const uint8_t* a, uint8_t cover, const QRgb* c)
{
    __m256i lo = _mm256_set1_epi16(cover), hi = lo;
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        if (a) expand8(a + i, lo, hi);
        blend8(d + i, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(c + i)), lo, hi);
    }
    return i;
}

#endif

}  // namespace

void solidMask(QRgb* d, int n, const uint8_t* a, QRgb s)
{
    int i = 0;
#if VX_BLEND_X86
    if (cpuHasAvx2()) i = solidMaskAvx2(d, n, a, s);
    const __m128i src = _mm_set1_epi32(int(s));
    for (; i + 4 <= n; i += 4) {
        int four;
        std::memcpy(&four, a + i, 4);
        if (four == 0) continue;
        __m128i lo, hi;
        expand4(a + i, lo, hi);
        blend4(d + i, src, lo, hi);
    }
#endif
    for (; i < n; ++i)
        if (a[i]) d[i] = pixel(d[i], s, a[i]);
}

void solidRun(QRgb* d, int n, uint8_t cover, QRgb s)
{
    if (cover == 255 && (s >> 24) == 255) {
        std::fill_n(d, n, s);
        return;
    }
    int i = 0;
#if VX_BLEND_X86
    if (cpuHasAvx2()) i = solidRunAvx2(d, n, cover, s);
    const __m128i src = _mm_set1_epi32(int(s)), a = _mm_set1_epi16(cover);
    for (; i + 4 <= n; i += 4) blend4(d + i, src, a, a);
#endif
    for (; i < n; ++i) d[i] = pixel(d[i], s, cover);
}

void colours(QRgb* d, int n, const uint8_t* a, uint8_t cover, const QRgb* c)
{
    int i = 0;
#if VX_BLEND_X86
    if (cpuHasAvx2()) i = coloursAvx2(d, n, a, cover, c);
    __m128i lo = _mm_set1_epi16(cover), hi = lo;
    for (; i + 4 <= n; i += 4) {
        if (a) expand4(a + i, lo, hi);
        blend4(d + i, _mm_loadu_si128(reinterpret_cast<const __m128i*>(c + i)), lo, hi);
    }
#endif
    for (; i < n; ++i) d[i] = pixel(d[i], c[i], a ? a[i] : cover);
}

}  // namespace vx::swf::blend
