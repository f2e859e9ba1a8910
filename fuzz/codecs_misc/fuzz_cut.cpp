// Opens arbitrary bytes as Dr. Halo pictures, the same bytes lying beside them
// as their palette, the way the window opens a file.
#include "WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "CUT", "PAL");
    return 0;
}
