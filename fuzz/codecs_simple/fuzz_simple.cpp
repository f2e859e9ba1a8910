// Opens arbitrary bytes as Targa, PCX and portable map pictures, the way the
// window opens a file.
#include "WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "TGA");
    vxfuzz::openAsWindow(data, size, "PCX");
    vxfuzz::openAsWindow(data, size, "PPM");
    return 0;
}
