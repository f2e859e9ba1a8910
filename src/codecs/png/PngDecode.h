// The PNG reading routine behind PngImage: common files through a quicker
// reading of their own (PngFastDecode.h), all others with libpng. Every
// libpng error becomes a CodecError; warnings are silenced.
#pragma once

#include "codecs/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace vx::png {

struct Info {
    int colorType = 0;
    int bitDepth = 0;
    bool interlaced = false;
    bool hasTrns = false;   // the file has a tRNS (simple transparency) chunk
};

// Decodes a whole PNG file held in memory:
//   palette      1 and 4 bits kept, 2 bits expanded to 8-bit indices, 8 kept
//   gray         the same depths with a gray palette; 16 bits reduced to 8
//   RGB          24-bit BGR
//   with alpha   32-bit BGRA with alpha (gray + alpha, RGBA, and any colour
//                type with tRNS when applyTrns is set)
// 16-bit samples are scaled to 8 bits.
Bitmap decode(const uint8_t* data, size_t size, bool applyTrns, Info* info = nullptr);

// Throws CodecError unless data starts with the PNG signature, its chunks
// up to IEND lie inside it and its image data can fill the picture: what
// decode checks first.
void checkFile(const uint8_t* data, size_t size);

// The same as decode with libpng alone, for comparing the two readings.
Bitmap decodeWithLibpng(const uint8_t* data, size_t size, bool applyTrns, Info* info = nullptr);

}  // namespace vx::png
