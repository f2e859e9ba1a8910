// Opens arbitrary bytes as PNG pictures, the way the window opens a file.
#include "WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "PNG");
    return 0;
}
