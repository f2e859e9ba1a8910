// Bitmap and icon decoders on arbitrary bytes: both run on every input.
#include "codecs/dib/TBitmap.h"
#include "codecs/dib/TIcon.h"

#include <QtGlobal>
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

// Qt's embedded PNG/JPEG readers warn on every broken input; keep the log readable.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tryDecode<vx::TBitmap>(data, size);
    tryDecode<vx::TIcon>(data, size);
    return 0;
}
