// Bitmap and icon decoders on arbitrary bytes, opened the way the window
// opens a file: both run on every input.
#include "../WindowCalls.h"

#include <QtGlobal>

// Qt's embedded PNG/JPEG readers warn on every broken input; keep the log readable.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "BMP");
    vxfuzz::openAsWindow(data, size, "ICO");
    return 0;
}
