#include "codecs/misc/SGIGraphic.h"
#include "codecs_misc/DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::decode<vx::TSGIGraphic>(data, size);
    return 0;
}
