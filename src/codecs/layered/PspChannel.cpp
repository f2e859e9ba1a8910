#include "codecs/layered/PspChannel.h"

#include "codecs/DecodeCancel.h"
#include "codecs/Bitmap.h"

#include <zlib.h>

#include <algorithm>
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

void inflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t outSize)
{
    if (size > std::numeric_limits<uInt>::max() || outSize > std::numeric_limits<uInt>::max())
        throw CodecError("Paint Shop Pro channel is too large");
    z_stream z{};
    if (inflateInit(&z) != Z_OK)
        throw CodecError("Cannot start decompression");
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = uInt(size);
    z.next_out = out;
    // A megabyte at a time, between checks for a cancelled decode.
    constexpr size_t kStep = size_t(1) << 20;
    size_t produced = 0;
    int rc = Z_OK;
    while (rc == Z_OK && produced < outSize) {
        if (cancelRequested()) {
            inflateEnd(&z);
            throw DecodeCancelled();
        }
        const size_t step = std::min(kStep, outSize - produced);
        z.avail_out = uInt(step);
        rc = inflate(&z, Z_NO_FLUSH);
        produced += step - z.avail_out;
    }
    inflateEnd(&z);
    // A stream with more data than the channel holds is cut at the channel's size.
    if ((rc != Z_STREAM_END && rc != Z_BUF_ERROR && rc != Z_OK) || produced != outSize)
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
    case Lz77: inflateInto(data, size, out.data(), outSize); break;
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
