// Opens arbitrary bytes as Windows bitmaps and icons, the way the window opens a file.
#include "WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "BMP");
    vxfuzz::openAsWindow(data, size, "ICO");
    return 0;
}
