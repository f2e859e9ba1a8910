// Opens arbitrary bytes as GIF pictures, playing the animation twice, the way
// the window opens a file.
#include "WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "GIF");
    return 0;
}
