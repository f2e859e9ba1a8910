// Uncompressed DIB rows and bit-field pixels.
#include "codecs/ByteReader.h"

#include "codecs/DecodeCancel.h"
#include "codecs/dib/DibDecoder.h"
#include "codecs/PixelBudget.h"

#include <bit>
#include <cstring>

namespace vx::dib {

namespace {

// Bytes the rows need: every row but the last in full, the last without its
// padding (many writers leave that off).
size_t neededBytes(const Header& h, size_t stride)
{
    const size_t lastRow = size_t((int64_t(h.width) * h.bitCount + 7) / 8);
    return stride * size_t(h.height - 1) + lastRow;
}

// One colour channel of a bit-field pixel, scaled to 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit Channel(uint32_t m) : mask(m)
    {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        bits = std::min(32 - std::countl_zero(m) - shift, 32);
    }
    uint8_t value(uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return uint8_t(v >> (bits - 8));
        const uint32_t max = (uint32_t(1) << bits) - 1;
        return uint8_t((v * 255 + max / 2) / max);
    }
};

}  // namespace

void checkSupply(const Header& h, size_t available)
{
    if (h.compression == kRle4 || h.compression == kRle8) {
        const uint64_t pixelBytes = uint64_t(Bitmap::strideFor(h.width, h.bitCount)) * uint64_t(h.height);
        checkDataSupply(pixelBytes, available, h.compression == kRle8 ? 128 : 64, "RLE bitmap is truncated",
                        kSparsePictureSlack);
        return;
    }
    if (neededBytes(h, storedStride(h.width, h.bitCount)) > available)
        throw CodecError("Bitmap is truncated");
}

void readUncompressed(const Header& h, const uint8_t* data, size_t size, Bitmap& out)
{
    const size_t stride = storedStride(h.width, h.bitCount);
    if (neededBytes(h, stride) > size)
        throw CodecError("Bitmap is truncated");
    const size_t copy = std::min<size_t>(stride, size_t(out.stride()));
    for (int i = 0; i < h.height; ++i) {
        checkCancelled();
        const size_t offset = stride * size_t(i);
        std::memcpy(out.scanLine(rowOf(h, i)), data + offset, std::min(copy, size - offset));
    }
}

Bitmap readBitFields(const Header& h, const uint8_t* data, size_t size)
{
    const size_t stride = storedStride(h.width, h.bitCount);
    if (neededBytes(h, stride) > size)
        throw CodecError("Bitmap is truncated");
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]), alpha(h.masks[3]);
    const bool withAlpha = h.masks[3] != 0;
    Bitmap out(h.width, h.height, withAlpha ? 32 : 24);
    const int outBytes = withAlpha ? 4 : 3;
    const int inBytes = h.bitCount / 8;
    bool anyAlpha = false;
    for (int i = 0; i < h.height; ++i) {
        checkCancelled();
        const uint8_t* src = data + stride * size_t(i);
        uint8_t* dst = out.scanLine(rowOf(h, i));
        for (int x = 0; x < h.width; ++x, src += inBytes, dst += outBytes) {
            const uint32_t v = inBytes == 2 ? readLe16(src) : readLe32(src);
            dst[0] = blue.value(v);
            dst[1] = green.value(v);
            dst[2] = red.value(v);
            if (withAlpha) {
                dst[3] = alpha.value(v);
                anyAlpha = anyAlpha || dst[3] != 0;
            }
        }
    }
    out.setHasAlpha(withAlpha && anyAlpha);
    return out;
}

}  // namespace vx::dib
