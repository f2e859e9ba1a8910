// Loads arbitrary bytes as a JPEG and decodes every way the viewer does.
#include "codecs/jpeg/JPEGImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vx::TJPEGImage jpeg;
    try {
        jpeg.loadFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
        // Headers claiming huge pictures are legal; decoding them only costs memory.
        if (int64_t(jpeg.width()) * jpeg.height() > (int64_t(1) << 22))
            return 0;
        jpeg.setSpeedFirst(true);
        jpeg.displayImage(QSize(jpeg.width() / 3 + 1, jpeg.height() / 3 + 1));
        jpeg.bitmap();
    } catch (const vx::CodecError&) {
    }
    return 0;
}
