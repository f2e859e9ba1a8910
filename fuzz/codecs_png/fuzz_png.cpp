// Loads arbitrary bytes as a PNG, with and without its simple transparency.
#include "codecs/png/PNGObject.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Headers claiming huge pictures are legal; decoding them only costs memory.
    if (size >= 24) {
        const uint64_t w = (uint64_t(data[16]) << 24) | (data[17] << 16) | (data[18] << 8) | data[19];
        const uint64_t h = (uint64_t(data[20]) << 24) | (data[21] << 16) | (data[22] << 8) | data[23];
        if (w * h > (uint64_t(1) << 22))
            return 0;
    }
    try {
        vx::TPNGObject png;
        png.loadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        png.bitmap().toImage();
        png.dropTransparency();
        png.bitmap().converted24();
    } catch (const vx::CodecError&) {
    }
    return 0;
}
