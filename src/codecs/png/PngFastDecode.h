// A quicker reading of the most common PNG files: 8 bits a sample, not
// interlaced, RGB, RGB with alpha, gray, or palette, without simple
// transparency (tRNS). The image data is checked and inflated in one go
// (libdeflate) and the rows are unfiltered straight into the bitmap, with
// the layout png::decode gives. Anything else, and anything it finds wrong
// or unusual, it leaves to libpng, so that such files read, or fail with the
// message, exactly as there.
#pragma once

#include "codecs/Bitmap.h"
#include "codecs/png/PngDecode.h"

#include <cstddef>
#include <cstdint>

namespace vx::png {

// For a file that passed png::checkFile: true
// with the picture in bitmap and what the header says in info, or false
// when libpng has to read it. Throws only DecodeCancelled.
bool decodeCommon(const uint8_t* data, size_t size, Bitmap& bitmap, Info& info);

}  // namespace vx::png
