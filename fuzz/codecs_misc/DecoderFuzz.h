// Shared body of the decoder fuzz targets: decode from memory, touch the
// result, and accept only CodecError as a failure.
#pragma once

#include "codecs/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace vxfuzz {

template <class Decoder>
void decode(const uint8_t* data, size_t size)
{
    Decoder graphic;
    try {
        graphic.loadFromMemory(data, size);
        const vx::Bitmap bmp = graphic.bitmap();
        if (!bmp.isNull()) {
            (void)bmp.pixel(0, 0);
            (void)bmp.pixel(bmp.width() - 1, bmp.height() - 1);
        }
    } catch (const vx::CodecError&) {
    }
}

}  // namespace vxfuzz
