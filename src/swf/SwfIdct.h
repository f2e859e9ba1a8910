// The inverse 8 x 8 DCT of H.263 video: the floating-point factorisation
// of Arai, Agui and Nakajima, its scale factors folded into the
// coefficients, rows first, each result rounded to the nearest integer
// (halves to even) once at the end. The reference player's pictures come
// out so but for values within a hair of a half; integer transforms differ
// from them by one now and then, which motion compensation then carries
// along. Plain code and AVX2 code give the same pixels (no fused
// multiply-adds anywhere).
#pragma once

#include "swf/SwfVideoColour.h"

#include <cstddef>
#include <cstdint>

namespace vx::swf::h263 {

struct Idct {
    // coefficients: 64 dequantised values in row order (vertical
    // frequency major). put writes the clamped samples, add adds them to
    // the prediction already in dst and clamps.
    void (*put)(const int16_t* coefficients, uint8_t* dst, ptrdiff_t stride);
    void (*add)(const int16_t* coefficients, uint8_t* dst, ptrdiff_t stride);
};

// The fastest transform the processor runs, up to `widest`.
const Idct& idct(VectorLevel widest = VectorLevel::Avx512);

// A block with only its DC coefficient: every sample is dc / 8 (which the
// transform computes exactly), rounded as the transform rounds: halves to
// even.
inline int idctDcOnly(int dc)
{
    const int q = dc >> 3, r = dc & 7;  // dc = 8q + r, 0 <= r < 8
    return q + (r > 4 || (r == 4 && (q & 1)));
}

}  // namespace vx::swf::h263
