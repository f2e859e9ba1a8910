#include "codecs/layered/PackBits.h"

#include "codecs/Bitmap.h"

#include <cstring>

namespace vx {

void unpackBits(const uint8_t* src, size_t srcSize, uint8_t* out, size_t outSize)
{
    size_t in = 0, done = 0;
    while (done < outSize) {
        if (in >= srcSize)
            throw CodecError("Run-length data is truncated");
        const int n = int8_t(src[in++]);
        if (n >= 0) {
            const size_t count = size_t(n) + 1;
            if (count > outSize - done)
                throw CodecError("Run-length data overruns the row");
            if (count > srcSize - in)
                throw CodecError("Run-length data is truncated");
            std::memcpy(out + done, src + in, count);
            in += count;
            done += count;
        } else if (n != -128) {
            const size_t count = size_t(1 - n);
            if (count > outSize - done)
                throw CodecError("Run-length data overruns the row");
            if (in >= srcSize)
                throw CodecError("Run-length data is truncated");
            std::memset(out + done, src[in++], count);
            done += count;
        }
    }
}

}  // namespace vx
