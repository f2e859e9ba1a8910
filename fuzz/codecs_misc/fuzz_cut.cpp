#include "codecs/misc/CutImage.h"
#include "WindowCalls.h"

// The same bytes go through the picture decoder and the palette parser.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::openAsWindow(data, size, "CUT");
    try {
        (void)vx::CutImage::parseHaloPalette(data, size);
    } catch (const vx::CodecError&) {
    }
    return 0;
}
