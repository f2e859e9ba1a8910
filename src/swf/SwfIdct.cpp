#include "swf/SwfIdct.h"

#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vx::swf::h263 {

namespace {

// cos(k pi / 16) * sqrt(2) (1 for k = 0) for the rows times the same for
// the columns, over 8: the scale factors of the factorisation, applied to
// the coefficients before the butterflies.
struct Prescale {
    alignas(32) float v[64];
    Prescale()
    {
        double s[8];
        for (int k = 0; k < 8; ++k) s[k] = k ? std::cos(k * M_PI / 16) * std::sqrt(2.0) : 1.0;
        for (int i = 0; i < 64; ++i) v[i] = float(s[i >> 3] * s[i & 7] / 8);
    }
};
const Prescale prescale;

constexpr float kSqrt2 = 1.414213562f, kA = 1.847759065f, kB = 1.082392200f, kC = -2.613125930f;

// One pass of the one-dimensional transform over eight values x[0] to
// x[7] (floats or vectors of floats), in place.
#define VX_AAN_PASS(x)                                                                          \
    do {                                                                                        \
        auto e10 = x[0] + x[4], e11 = x[0] - x[4], e13 = x[2] + x[6];                           \
        auto e12 = (x[2] - x[6]) * kSqrt2 - e13;                                                \
        auto e0 = e10 + e13, e3 = e10 - e13, e1 = e11 + e12, e2 = e11 - e12;                    \
        auto z13 = x[5] + x[3], z10 = x[5] - x[3], z11 = x[1] + x[7], z12 = x[1] - x[7];        \
        auto o7 = z11 + z13, o11 = (z11 - z13) * kSqrt2, z5 = (z10 + z12) * kA;                 \
        auto o10 = z12 * kB - z5, o12 = z10 * kC + z5;                                          \
        auto o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;                                       \
        x[0] = e0 + o7;                                                                         \
        x[7] = e0 - o7;                                                                         \
        x[1] = e1 + o6;                                                                         \
        x[6] = e1 - o6;                                                                         \
        x[2] = e2 + o5;                                                                         \
        x[5] = e2 - o5;                                                                         \
        x[4] = e3 + o4;                                                                         \
        x[3] = e3 - o4;                                                                         \
    } while (0)

inline int roundSample(float v)
{
    return int(std::lrint(v));  // halves to even, as the processor's conversion does
}

inline uint8_t clamp255(int v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// The transform of a block given transposed (coefficients[v * 8 + u] is
// horizontal frequency v, vertical frequency u), rows first.
void transformPlain(const int16_t* c, int out[64])
{
    float t[64];
    for (int i = 0; i < 64; ++i) t[i] = float(c[i]) * prescale.v[i];
    // Each column of t is a row of the block: the rows' transforms.
    for (int col = 0; col < 8; ++col) {
        float x[8];
        for (int k = 0; k < 8; ++k) x[k] = t[k * 8 + col];
        VX_AAN_PASS(x);
        for (int k = 0; k < 8; ++k) t[k * 8 + col] = x[k];
    }
    // Now t[x * 8 + row]: the columns' transforms.
    for (int col = 0; col < 8; ++col) {
        float x[8];
        for (int k = 0; k < 8; ++k) x[k] = t[col * 8 + k];
        VX_AAN_PASS(x);
        for (int k = 0; k < 8; ++k) out[k * 8 + col] = roundSample(x[k]);
    }
}

void putPlain(const int16_t* c, uint8_t* dst, ptrdiff_t stride)
{
    int out[64];
    transformPlain(c, out);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) dst[y * stride + x] = clamp255(out[y * 8 + x]);
}

void addPlain(const int16_t* c, uint8_t* dst, ptrdiff_t stride)
{
    int out[64];
    transformPlain(c, out);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) dst[y * stride + x] = clamp255(dst[y * stride + x] + out[y * 8 + x]);
}

#if defined(__x86_64__)

typedef float F8 __attribute__((vector_size(32)));

__attribute__((target("avx2"))) inline void transpose(F8 r[8])
{
    const __m256 t0 = _mm256_unpacklo_ps(__m256(r[0]), __m256(r[1])), t1 = _mm256_unpackhi_ps(__m256(r[0]), __m256(r[1]));
    const __m256 t2 = _mm256_unpacklo_ps(__m256(r[2]), __m256(r[3])), t3 = _mm256_unpackhi_ps(__m256(r[2]), __m256(r[3]));
    const __m256 t4 = _mm256_unpacklo_ps(__m256(r[4]), __m256(r[5])), t5 = _mm256_unpackhi_ps(__m256(r[4]), __m256(r[5]));
    const __m256 t6 = _mm256_unpacklo_ps(__m256(r[6]), __m256(r[7])), t7 = _mm256_unpackhi_ps(__m256(r[6]), __m256(r[7]));
    const __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44), s1 = _mm256_shuffle_ps(t0, t2, 0xee);
    const __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44), s3 = _mm256_shuffle_ps(t1, t3, 0xee);
    const __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44), s5 = _mm256_shuffle_ps(t4, t6, 0xee);
    const __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44), s7 = _mm256_shuffle_ps(t5, t7, 0xee);
    r[0] = F8(_mm256_permute2f128_ps(s0, s4, 0x20));
    r[1] = F8(_mm256_permute2f128_ps(s1, s5, 0x20));
    r[2] = F8(_mm256_permute2f128_ps(s2, s6, 0x20));
    r[3] = F8(_mm256_permute2f128_ps(s3, s7, 0x20));
    r[4] = F8(_mm256_permute2f128_ps(s0, s4, 0x31));
    r[5] = F8(_mm256_permute2f128_ps(s1, s5, 0x31));
    r[6] = F8(_mm256_permute2f128_ps(s2, s6, 0x31));
    r[7] = F8(_mm256_permute2f128_ps(s3, s7, 0x31));
}

// The rounded samples of the block, rows 0-1, 2-3, 4-5 and 6-7 as
// sixteen 16-bit values each.
__attribute__((target("avx2"))) inline void transformAvx2(const int16_t* c, __m256i rows[4])
{
    F8 r[8];
    for (int k = 0; k < 8; ++k) {
        const __m256i w = _mm256_cvtepi16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(c + k * 8)));
        r[k] = F8(_mm256_mul_ps(_mm256_cvtepi32_ps(w), _mm256_load_ps(prescale.v + k * 8)));
    }
    VX_AAN_PASS(r);
    transpose(r);
    VX_AAN_PASS(r);
    for (int k = 0; k < 4; ++k) {
        const __m256i a = _mm256_cvtps_epi32(__m256(r[2 * k])), b = _mm256_cvtps_epi32(__m256(r[2 * k + 1]));
        // packs works within 128-bit lanes: put row 2k in the low and 2k+1 in the high half.
        rows[k] = _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xd8);
    }
}

__attribute__((target("avx2"))) void putAvx2(const int16_t* c, uint8_t* dst, ptrdiff_t stride)
{
    __m256i rows[4];
    transformAvx2(c, rows);
    for (int k = 0; k < 4; ++k) {
        const __m128i p = _mm_packus_epi16(_mm256_castsi256_si128(rows[k]), _mm256_extracti128_si256(rows[k], 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst + (2 * k) * stride), p);
        _mm_storeh_pd(reinterpret_cast<double*>(dst + (2 * k + 1) * stride), _mm_castsi128_pd(p));
    }
}

__attribute__((target("avx2"))) void addAvx2(const int16_t* c, uint8_t* dst, ptrdiff_t stride)
{
    __m256i rows[4];
    transformAvx2(c, rows);
    for (int k = 0; k < 4; ++k) {
        uint8_t* d0 = dst + (2 * k) * stride;
        uint8_t* d1 = d0 + stride;
        const __m128i pred = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(d0)),
                                                _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d1)));
        const __m256i sum = _mm256_adds_epi16(_mm256_cvtepu8_epi16(pred), rows[k]);
        const __m128i p = _mm_packus_epi16(_mm256_castsi256_si128(sum), _mm256_extracti128_si256(sum, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(d0), p);
        _mm_storeh_pd(reinterpret_cast<double*>(d1), _mm_castsi128_pd(p));
    }
}

#endif

}  // namespace

const Idct& idct(VectorLevel widest)
{
    static const Idct plain{putPlain, addPlain};
#if defined(__x86_64__)
    static const Idct avx2{putAvx2, addAvx2};
    static const bool hasAvx2 = __builtin_cpu_supports("avx2");
    if (widest >= VectorLevel::Avx2 && hasAvx2) return avx2;
#else
    (void)widest;
#endif
    return plain;
}

}  // namespace vx::swf::h263
