// Builders of small bitmap files for the tests.
#pragma once

#include "codecs_dib/DecoderChecks.h"

namespace vxtest {

// A Windows info header (40 bytes) for the given size, depth and compression.
inline Bytes infoHeader(int32_t width, int32_t height, int bits, uint32_t compression = 0,
                        uint32_t colorsUsed = 0, uint32_t size = 40)
{
    Bytes b;
    b.u32le(size).u32le(uint32_t(width)).u32le(uint32_t(height)).u16le(1).u16le(unsigned(bits)).u32le(compression);
    b.u32le(0).u32le(2835).u32le(2835).u32le(colorsUsed).u32le(0);
    return b;
}

// File header plus dib (header, palette, masks) plus pixels; bfOffBits points at the pixels.
inline Bytes bmpFile(const Bytes& headerAndPalette, const Bytes& pixels)
{
    Bytes b;
    b.str("BM").u32le(uint32_t(14 + headerAndPalette.size() + pixels.size())).u32le(0);
    b.u32le(uint32_t(14 + headerAndPalette.size()));
    b.append(headerAndPalette).append(pixels);
    return b;
}

inline Bytes palette(std::initializer_list<uint32_t> colours)
{
    Bytes b;
    for (uint32_t c : colours)
        b.u8(c & 0xFF).u8((c >> 8) & 0xFF).u8((c >> 16) & 0xFF).u8(0);
    return b;
}

}  // namespace vxtest
