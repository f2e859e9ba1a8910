// WBMP reading on arbitrary bytes, and writing back what was read.
#include "codecs/wbmp/WbmpImage.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vx::WbmpImage image;
    try {
        image.loadFromData(data, size);
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        image.saveToStream(out);
    } catch (const vx::CodecError&) {
    }
    return 0;
}
