// Opens arbitrary bytes as Windows and enhanced metafiles, played at two sizes,
// the way the window opens a file.
#include "WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "WMF");
    return 0;
}
