#include "codecs/misc/TIFFGraphic.h"
#include "codecs_misc/DecoderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vxfuzz::decode<vx::TTIFFGraphic>(data, size);
    return 0;
}
