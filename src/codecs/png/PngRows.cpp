#include "codecs/png/PngRows.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vx::png {

namespace {

enum Filter { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

// Pixels move as little-endian words of 4 bytes. A 3-byte pixel is read and
// written as 4 bytes, the fourth belonging to the next pixel (and written
// before that pixel is), except the row's last one, which is moved exactly.
template <int N>
inline uint32_t loadWord(const uint8_t* p, bool last)
{
    uint32_t v = 0;
    if (N == 3 && last) {
        v = uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16);
    } else {
        std::memcpy(&v, p, 4);
        if constexpr (N == 3)
            v &= 0xFFFFFFu;
    }
    return v;
}

// The same with red and blue swapped.
template <int N>
inline uint32_t loadSwapped(const uint8_t* p, bool last)
{
    const uint32_t v = loadWord<N>(p, last);
    return (v & 0xFF00FF00u) | ((v >> 16) & 0xFFu) | ((v & 0xFFu) << 16);
}

template <int N>
inline void storeWord(uint8_t* p, uint32_t v, bool last)
{
    if (N == 3 && last) {
        p[0] = uint8_t(v);
        p[1] = uint8_t(v >> 8);
        p[2] = uint8_t(v >> 16);
    } else {
        std::memcpy(p, &v, 4);
    }
}

template <int N>
void copySwapped(const uint8_t* raw, uint8_t* out, size_t bytes)
{
    if constexpr (N == 1) {
        std::memcpy(out, raw, bytes);
    } else {
        for (size_t x = 0; x < bytes; x += N) {
            out[x] = raw[x + 2];
            out[x + 1] = raw[x + 1];
            out[x + 2] = raw[x];
            if constexpr (N == 4)
                out[x + 3] = raw[x + 3];
        }
    }
}

inline uint8_t paethPredictor(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

// Byte by byte, in place over out (already holding the swapped raw row).
template <int N>
void averageScalar(const uint8_t* prev, uint8_t* out, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i)
        out[i] = uint8_t(out[i] + ((i >= N ? out[i - N] : 0) + prev[i]) / 2);
}

template <int N>
void paethScalar(const uint8_t* prev, uint8_t* out, size_t bytes)
{
    for (size_t i = 0; i < bytes; ++i) {
        const int a = i >= N ? out[i - N] : 0;
        const int c = i >= N ? prev[i - N] : 0;
        out[i] = uint8_t(out[i] + paethPredictor(a, prev[i], c));
    }
}

#if defined(__SSE2__)
// One pixel at a time with its samples in 16-bit lanes: each pixel depends
// on the one before, the lanes do its three or four samples at once.
template <int N>
void averageVector(const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t bytes)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi16(0xFF);
    __m128i a = zero;
    for (size_t x = 0; x < bytes; x += N) {
        const bool last = x + N == bytes;
        const __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(loadWord<N>(prev + x, last))), zero);
        const __m128i r = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(loadSwapped<N>(raw + x, last))), zero);
        a = _mm_and_si128(_mm_add_epi16(r, _mm_srli_epi16(_mm_add_epi16(a, b), 1)), low);
        storeWord<N>(out + x, uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(a, a))), last);
    }
}

inline __m128i abs16(__m128i v)
{
    return _mm_max_epi16(v, _mm_sub_epi16(_mm_setzero_si128(), v));
}

inline __m128i select16(__m128i mask, __m128i yes, __m128i no)
{
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

template <int N>
void paethVector(const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t bytes)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i low = _mm_set1_epi16(0xFF);
    __m128i a = zero, c = zero;
    for (size_t x = 0; x < bytes; x += N) {
        const bool last = x + N == bytes;
        const __m128i b = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(loadWord<N>(prev + x, last))), zero);
        const __m128i r = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(loadSwapped<N>(raw + x, last))), zero);
        const __m128i bc = _mm_sub_epi16(b, c);
        const __m128i ac = _mm_sub_epi16(a, c);
        const __m128i pa = abs16(bc);
        const __m128i pb = abs16(ac);
        const __m128i pc = abs16(_mm_add_epi16(bc, ac));
        const __m128i least = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
        // a when pa is least, else b when pb is, else c: the predictor's order of ties.
        __m128i predicted = select16(_mm_cmpeq_epi16(pb, least), b, c);
        predicted = select16(_mm_cmpeq_epi16(pa, least), a, predicted);
        a = _mm_and_si128(_mm_add_epi16(r, predicted), low);
        c = b;
        storeWord<N>(out + x, uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(a, a))), last);
    }
}
#endif

template <int N>
bool unfilter(int filter, const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t bytes)
{
    switch (filter) {
    case None:
        copySwapped<N>(raw, out, bytes);
        return true;
    case Sub:
        copySwapped<N>(raw, out, bytes);
        for (size_t i = N; i < bytes; ++i)
            out[i] = uint8_t(out[i] + out[i - N]);
        return true;
    case Up:
        copySwapped<N>(raw, out, bytes);
        for (size_t i = 0; i < bytes; ++i)
            out[i] = uint8_t(out[i] + prev[i]);
        return true;
    case Average:
#if defined(__SSE2__)
        if constexpr (N > 1) {
            averageVector<N>(raw, prev, out, bytes);
            return true;
        }
#endif
        copySwapped<N>(raw, out, bytes);
        averageScalar<N>(prev, out, bytes);
        return true;
    case Paeth:
#if defined(__SSE2__)
        if constexpr (N > 1) {
            paethVector<N>(raw, prev, out, bytes);
            return true;
        }
#endif
        copySwapped<N>(raw, out, bytes);
        paethScalar<N>(prev, out, bytes);
        return true;
    default:
        return false;
    }
}

}  // namespace

bool unfilterRow(int filter, const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t bytes, int pixelBytes)
{
    switch (pixelBytes) {
    case 1: return unfilter<1>(filter, raw, prev, out, bytes);
    case 3: return unfilter<3>(filter, raw, prev, out, bytes);
    case 4: return unfilter<4>(filter, raw, prev, out, bytes);
    default: return false;
    }
}

}  // namespace vx::png
