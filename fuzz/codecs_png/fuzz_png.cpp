// Opens arbitrary bytes as a PNG file the way the window does.
#include "../WindowCalls.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Headers claiming huge pictures are legal; decoding them only costs memory.
    if (size >= 24) {
        const uint64_t w = (uint64_t(data[16]) << 24) | (data[17] << 16) | (data[18] << 8) | data[19];
        const uint64_t h = (uint64_t(data[20]) << 24) | (data[21] << 16) | (data[22] << 8) | data[23];
        if (w * h > (uint64_t(1) << 22))
            return 0;
    }
    vxfuzz::openAsWindow(data, size, "PNG");
    return 0;
}
