// PackBits run-length decoding (Photoshop, TIFF and Paint Shop Pro style runs).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// Decodes PackBits from src into exactly outSize bytes of out. Throws
// CodecError when a run passes the end of out or src ends too early.
void unpackBits(const uint8_t* src, size_t srcSize, uint8_t* out, size_t outSize);

}  // namespace vx
