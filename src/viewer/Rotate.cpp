#include "viewer/Rotate.h"
#include "platform/VectorState.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vx {

namespace {

// Pixels are moved in square tiles so that both the rows read and the rows
// written stay in the cache while a tile is done.
constexpr int kTile = 128;

struct Turn {
    const std::vector<const uint8_t*>& rows;  // destination column i reads rows[i]
    Bitmap& out;
    int w = 0, h = 0;  // source size
    bool clockwise = true;

    // Destination row y is source column y (clockwise) or w - 1 - y.
    int sourceColumn(int y) const { return clockwise ? y : w - 1 - y; }
};

// Destination rows [y0, y1) x columns [i0, i1), one pixel at a time.
void turnPixels(const Turn& t, int y0, int y1, int i0, int i1)
{
    for (int y = y0; y < y1; ++y) {
        const size_t column = size_t(t.sourceColumn(y)) * 3;
        uint8_t* dst = t.out.scanLine(y) + size_t(i0) * 3;
        for (int i = i0; i < i1; ++i) {
            const uint8_t* px = t.rows[size_t(i)] + column;
            dst[0] = px[0];
            dst[1] = px[1];
            dst[2] = px[2];
            dst += 3;
        }
    }
}

#if defined(__x86_64__)
// Blocks of 4 x 4 pixels: four 12-byte runs of source rows are widened to
// 32-bit pixels, transposed, narrowed again and stored as four destination
// runs. Covers destination rows [0, w4) and columns [0, h4).
__attribute__((target("ssse3"))) void turnBlocks(const Turn& t, int w4, int h4, const uint8_t* sourceEnd)
{
    const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    auto load12 = [&](const uint8_t* p) {
        if (p + 16 <= sourceEnd)
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        alignas(16) uint8_t tmp[16] = {};
        std::memcpy(tmp, p, 12);
        return _mm_load_si128(reinterpret_cast<const __m128i*>(tmp));
    };
    for (int y0 = 0; y0 < w4; y0 += kTile) {
        const int y1 = std::min(w4, y0 + kTile);
        for (int i0 = 0; i0 < h4; i0 += kTile) {
            const int i1 = std::min(h4, i0 + kTile);
            // The rows of the next tile lie far apart in memory, more streams
            // than the hardware follows: each step of this tile asks for four
            // of them, into the second-level cache so this tile's rows stay
            // in the first.
            const int nextColumn = t.clockwise ? y0 : t.w - y1;
            const size_t nextBytes = size_t(y1 - y0) * 3;
            for (int y = y0; y < y1; y += 4) {
                const int ahead = i1 + (y - y0);
                for (int i = ahead; i < std::min(h4, ahead + 4); ++i) {
                    const char* p = reinterpret_cast<const char*>(t.rows[size_t(i)] + size_t(nextColumn) * 3);
                    for (size_t b = 0; b < nextBytes; b += 64)
                        _mm_prefetch(p + b, _MM_HINT_T1);
                }
                // Four source columns, left to right, feeding four destination rows.
                const int c0 = t.clockwise ? y : t.w - 4 - y;
                const size_t column = size_t(c0) * 3;
                uint8_t* d[4];
                for (int k = 0; k < 4; ++k)
                    d[k] = t.out.scanLine(t.clockwise ? y + k : y + 3 - k);
                for (int i = i0; i < i1; i += 4) {
                    const __m128i r0 = _mm_shuffle_epi8(load12(t.rows[size_t(i)] + column), widen);
                    const __m128i r1 = _mm_shuffle_epi8(load12(t.rows[size_t(i) + 1] + column), widen);
                    const __m128i r2 = _mm_shuffle_epi8(load12(t.rows[size_t(i) + 2] + column), widen);
                    const __m128i r3 = _mm_shuffle_epi8(load12(t.rows[size_t(i) + 3] + column), widen);
                    const __m128i a = _mm_unpacklo_epi32(r0, r1), b = _mm_unpacklo_epi32(r2, r3);
                    const __m128i c = _mm_unpackhi_epi32(r0, r1), e = _mm_unpackhi_epi32(r2, r3);
                    const __m128i o[4] = {_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b),
                                          _mm_unpacklo_epi64(c, e), _mm_unpackhi_epi64(c, e)};
                    const size_t at = size_t(i) * 3;
                    for (int k = 0; k < 4; ++k) {
                        const __m128i run = _mm_shuffle_epi8(o[k], narrow);
                        if (i + 4 < h4) {
                            // The 4 spare bytes land on the next block, written later.
                            _mm_storeu_si128(reinterpret_cast<__m128i*>(d[k] + at), run);
                        } else {
                            alignas(16) uint8_t tmp[16];
                            _mm_store_si128(reinterpret_cast<__m128i*>(tmp), run);
                            std::memcpy(d[k] + at, tmp, 12);
                        }
                    }
                }
            }
        }
    }
}
#endif

}  // namespace

void RotateBitmap(Bitmap& bitmap, int angle)
{
    if (bitmap.isNull())
        return;
    clearUpperVectorState();
    // The source keeps the picture as it was; the bitmap gets new pixels.
    const Bitmap source = bitmap.bitsPerPixel() == 24 ? bitmap : bitmap.converted24();
    const int w = source.width(), h = source.height();
    Bitmap turned(h, w, 24, Bitmap::NoFill{});
    const bool clockwise = angle == 90;

    // Row references into the source: for a clockwise turn destination
    // column i comes from source row h - 1 - i, otherwise from row i.
    std::vector<const uint8_t*> rows(static_cast<size_t>(h));
    for (int i = 0; i < h; ++i)
        rows[size_t(i)] = source.scanLine(clockwise ? h - 1 - i : i);
    const Turn turn{rows, turned, w, h, clockwise};

#if defined(__x86_64__)
    if (__builtin_cpu_supports("ssse3")) {
        const int w4 = w & ~3, h4 = h & ~3;
        turnBlocks(turn, w4, h4, source.bits() + source.byteCount());
        // What the blocks did not cover: the last rows, then the last columns.
        turnPixels(turn, w4, w, 0, h);
        turnPixels(turn, 0, w4, h4, h);
        bitmap = turned;
        return;
    }
#endif
    for (int y0 = 0; y0 < w; y0 += kTile)
        for (int i0 = 0; i0 < h; i0 += kTile)
            turnPixels(turn, y0, std::min(w, y0 + kTile), i0, std::min(h, i0 + kTile));
    bitmap = turned;
}

}  // namespace vx
