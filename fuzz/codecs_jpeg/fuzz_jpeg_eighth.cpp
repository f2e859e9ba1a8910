// The viewer's own eighth-size JPEG decoder on arbitrary bytes, read by one
// thread and by two (split at the middle of any scan): both must give the
// same picture, or both leave the file to libjpeg.
#include "codecs/jpeg/JpegEighth.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace vx::jpeg;
    try {
        const std::optional<QImage> one = decodeEighth(Source::memory(data, size), 0);
        const std::optional<QImage> two = decodeEighth(Source::memory(data, size), 1);
        if (one.has_value() != two.has_value() || (one && *one != *two))
            std::abort();
    } catch (const vx::CodecError&) {
        // Past the pixel limit: both ways alike.
    }
    return 0;
}
