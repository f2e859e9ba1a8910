// Opens arbitrary bytes as a GIF file the way the window does, playing the
// animation twice.
#include "../WindowCalls.h"

#include "codecs/gif/GifImage.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        // Screens claiming huge pictures are legal; composing them only costs
        // memory. That includes a first frame deciding the size.
        const QSize screen = vx::GifImage::screenSize(vx::gif::scan(data, size));
        if (uint64_t(std::max(0, screen.width())) * uint64_t(std::max(0, screen.height())) > (1u << 22))
            return 0;
    } catch (const vx::CodecError&) {
        return 0;  // the open below would fail the same way
    }
    vxfuzz::openAsWindow(data, size, "GIF");
    return 0;
}
