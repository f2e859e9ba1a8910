#include "codecs/dib/BmpImage.h"

#include "codecs/ByteReader.h"
#include "codecs/dib/DibDecoder.h"

namespace vx {

namespace {

constexpr size_t kFileHeaderSize = 14;

bool looksLikePackedDib(const uint8_t* data, size_t size)
{
    if (size < 4)
        return false;
    const uint32_t headerSize = readLe32(data);
    return headerSize == 12 || (headerSize >= 16 && headerSize <= 124);
}

}  // namespace

Bitmap BmpImage::decode(const uint8_t* data, size_t size) const
{
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < kFileHeaderSize + 4)
            throw CodecError("Bitmap is truncated");
        const uint32_t offBits = readLe32(data + 10);
        const uint32_t headerSize = readLe32(data + kFileHeaderSize);
        // A pixel offset that points into the headers is ignored: the pixels
        // then follow the palette.
        size_t pixelOffset = 0;
        if (offBits >= kFileHeaderSize + uint64_t(headerSize)) {
            if (offBits >= size)
                throw CodecError("Bitmap is truncated");
            pixelOffset = offBits - kFileHeaderSize;
        }
        return dib::decode(data + kFileHeaderSize, size - kFileHeaderSize, pixelOffset,
                           dib::Flavor::File).bitmap;
    }
    if (size >= 2 && ((data[0] == 'B' && data[1] == 'A') || (data[0] == 'C' && data[1] == 'I')
                      || (data[0] == 'C' && data[1] == 'P') || (data[0] == 'I' && data[1] == 'C')
                      || (data[0] == 'P' && data[1] == 'T')))
        throw CodecError("OS/2 bitmap arrays, icons and pointers are not supported");
    if (looksLikePackedDib(data, size))
        return dib::decode(data, size, 0, dib::Flavor::File).bitmap;
    throw CodecError("Not a bitmap file");
}

}  // namespace vx
