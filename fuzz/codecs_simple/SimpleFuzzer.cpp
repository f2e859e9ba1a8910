// Targa, PCX and portable map decoders on arbitrary bytes: all three run
// on every input.
#include "codecs/simple/TPCXGraphic.h"
#include "codecs/simple/TPPMGraphic.h"
#include "codecs/simple/TTargaGraphic.h"

#include <cstddef>
#include <cstdint>

template <class Decoder>
static void tryDecode(const uint8_t* data, size_t size)
{
    Decoder decoder;
    try {
        decoder.loadFromData(data, size);
        const vx::Bitmap b = decoder.bitmap();
        if (b.width() > 0)
            (void)b.pixel(b.width() - 1, b.height() - 1);
    } catch (const vx::CodecError&) {
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tryDecode<vx::TTargaGraphic>(data, size);
    tryDecode<vx::TPCXGraphic>(data, size);
    tryDecode<vx::TPPMGraphic>(data, size);
    return 0;
}
