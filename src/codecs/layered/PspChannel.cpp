#include "codecs/layered/PspChannel.h"

#include "codecs/DecodeCancel.h"
#include "codecs/Bitmap.h"
#include "codecs/Inflate.h"

#include <cstring>
#include <limits>

namespace vx::psp {

namespace {

void unpackRle(const uint8_t* data, size_t size, uint8_t* out, size_t outSize)
{
    size_t in = 0, done = 0;
    for (unsigned runs = 0; done < outSize; ++runs) {
        if (runs % 8192 == 0)
            checkCancelled();
        if (in >= size)
            throw CodecError("Paint Shop Pro channel is truncated");
        unsigned count = data[in++];
        if (count > 128) {
            count -= 128;
            if (in >= size)
                throw CodecError("Paint Shop Pro channel is truncated");
            if (count > outSize - done)
                throw CodecError("Paint Shop Pro run overruns the channel");
            std::memset(out + done, data[in++], count);
        } else {
            if (count > outSize - done)
                throw CodecError("Paint Shop Pro run overruns the channel");
            if (count > size - in)
                throw CodecError("Paint Shop Pro channel is truncated");
            std::memcpy(out + done, data + in, count);
            in += count;
        }
        done += count;
    }
}

void inflateChannel(const uint8_t* data, size_t size, uint8_t* out, size_t outSize)
{
    if (size > std::numeric_limits<uint32_t>::max() || outSize > std::numeric_limits<uint32_t>::max())
        throw CodecError("Paint Shop Pro channel is too large");
    // A stream with more data than the channel holds is cut at the channel's size.
    const InflateResult r = inflateInto(data, size, out, outSize, {.cancellable = true});
    if (r.end == InflateEnd::Corrupt || r.produced != outSize)
        throw CodecError("Paint Shop Pro channel cannot be decompressed");
}

}  // namespace

std::vector<uint8_t> decompressChannel(const uint8_t* data, size_t size, int compression,
                                       size_t outSize)
{
    // Refuse data that cannot fill the channel before allocating it: a run
    // of two bytes gives at most 127, deflate at most 1032 bytes per byte.
    const uint64_t room = compression == None ? size
                          : compression == Rle ? uint64_t(size) / 2 * 127 + 127
                                               : uint64_t(size) * 1032 + 1024;
    if (outSize > room)
        throw CodecError("Paint Shop Pro channel is truncated");
    std::vector<uint8_t> out(outSize);
    switch (compression) {
    case None:
        if (size < outSize)
            throw CodecError("Paint Shop Pro channel is truncated");
        if (outSize)
            std::memcpy(out.data(), data, outSize);
        break;
    case Rle: unpackRle(data, size, out.data(), outSize); break;
    case Lz77: inflateChannel(data, size, out.data(), outSize); break;
    default: throw CodecError("Paint Shop Pro compression is not supported");
    }
    return out;
}

size_t channelRowBytes(int width, int height, int bitDepth, uint32_t uncompressedLength)
{
    if (bitDepth >= 8)
        return size_t(width);
    const size_t packed = (size_t(width) * size_t(bitDepth) + 7) / 8;
    const size_t padded = (packed + 3) / 4 * 4;
    if (uint64_t(packed) * uint64_t(height) == uncompressedLength && packed != padded)
        return packed;
    return padded;
}

std::vector<uint8_t> unpackIndices(const std::vector<uint8_t>& rows, int width, int height,
                                   int bitDepth, size_t rowBytes)
{
    std::vector<uint8_t> out(size_t(width) * size_t(height));
    for (int y = 0; y < height; ++y) {
        checkCancelled();
        const uint8_t* src = rows.data() + size_t(y) * rowBytes;
        uint8_t* dst = out.data() + size_t(y) * size_t(width);
        if (bitDepth >= 8) {
            std::memcpy(dst, src, size_t(width));
        } else if (bitDepth == 4) {
            for (int x = 0; x < width; ++x)
                dst[x] = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
        } else {
            for (int x = 0; x < width; ++x)
                dst[x] = (src[x >> 3] >> (7 - (x & 7))) & 1;
        }
    }
    return out;
}

}  // namespace vx::psp
