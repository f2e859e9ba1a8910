#include "codecs/layered/PSDGraphic.h"
#include "codecs_misc/DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::decode<vx::TPSDGraphic>(data, size);
    return 0;
}
