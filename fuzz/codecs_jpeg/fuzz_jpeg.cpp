// Opens arbitrary bytes as a JPEG file the way the window does.
#include "../WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "JPG");
    return 0;
}
