// Qt's own pixel routines (QImage::fill and the painter's fills among them)
// can return with the upper halves of the AVX registers in use. Until those
// are cleared, recent Intel processors make every SSE instruction, scalar
// floating point included, wait on them: code built for the baseline
// instruction set then runs up to half as fast. Heavy work that may follow
// painting (decoding, rotating, drawing a movie frame) starts by clearing
// them; elsewhere the call costs next to nothing.
#pragma once

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vx {

#if defined(__x86_64__)
__attribute__((target("avx"))) inline void zeroUpperAvxHalves()
{
    _mm256_zeroupper();
}
#endif

// Whether the processor runs AVX2, asked once.
inline bool cpuHasAvx2()
{
#if defined(__x86_64__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}

inline void clearUpperVectorState()
{
#if defined(__x86_64__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) zeroUpperAvxHalves();
#endif
}

}  // namespace vx
