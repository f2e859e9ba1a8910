#include "codecs/misc/SgiImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/ByteReader.h"

#include <algorithm>

namespace vx {

namespace {

constexpr size_t kHeaderSize = 512;

// Expands one run-length row of 1- or 2-byte values into out (width values,
// most significant byte kept). Throws on a run past the row or the data.
void expandRow(ByteReader& in, int bpc, uint8_t* out, int width)
{
    auto next = [&]() -> unsigned {
        if (bpc == 1)
            return in.u8();
        return in.u16be();
    };
    int x = 0;
    // A row that ends without its terminating zero count simply ends.
    while (in.remaining() >= size_t(bpc)) {
        checkCancelled();
        const unsigned code = next();
        const int count = int(code & 0x7F);
        if (count == 0)
            break;
        if (x + count > width)
            throw CodecError("Run-length row overruns the picture width");
        if (code & 0x80) {
            for (int i = 0; i < count; ++i)
                out[x++] = uint8_t(bpc == 1 ? next() : next() >> 8);
        } else {
            const unsigned v = next();
            std::fill(out + x, out + x + count, uint8_t(bpc == 1 ? v : v >> 8));
            x += count;
        }
    }
}

}  // namespace

Bitmap SgiImage::decode(const uint8_t* data, size_t size) const
{
    ByteReader in(data, size);
    if (size < kHeaderSize)
        throw CodecError("Not an SGI image: header is truncated");
    if (in.u16be() != 474)
        throw CodecError("Not an SGI image: bad magic number");
    const int storage = in.u8();
    const int bpc = in.u8();
    const int dimension = in.u16be();
    const int xsize = in.u16be();
    int ysize = in.u16be();
    int zsize = in.u16be();
    if (storage > 1)
        throw CodecError("SGI image: unknown storage format");
    if (bpc != 1 && bpc != 2)
        throw CodecError("SGI image: unsupported bytes per channel");
    switch (dimension) {
    case 1: ysize = 1; zsize = 1; break;
    case 2: zsize = 1; break;
    case 3: break;
    default: throw CodecError("SGI image: bad dimension count");
    }
    if (zsize < 1)
        throw CodecError("SGI image: no channels");
    checkPictureSize(xsize, ysize);

    // Channels beyond the fourth carry nothing we show. Two channels are
    // gray and alpha, four are red, green, blue and alpha.
    const int channels = std::min(zsize, 4);
    const int64_t bytesPerRow = int64_t(xsize) * bpc;
    const uint64_t tableEntries = uint64_t(ysize) * uint64_t(zsize);
    if (storage == 0) {
        if (kHeaderSize + uint64_t(bytesPerRow) * tableEntries > size)
            throw CodecError("SGI image: pixel data is truncated");
    } else {
        if (kHeaderSize + tableEntries * 8 > size)
            throw CodecError("SGI image: row tables are truncated");
        ByteReader starts(data + kHeaderSize, size_t(tableEntries * 4));
        ByteReader lengths(data + kHeaderSize + tableEntries * 4, size_t(tableEntries * 4));
        for (uint64_t i = 0; i < tableEntries; ++i) {
            const uint64_t start = starts.u32be(), length = lengths.u32be();
            if (start + length > size)
                throw CodecError("SGI image: row offset outside the file");
        }
    }

    Bitmap bmp;
    int step = 1;
    // Byte of each channel inside a pixel, in file channel order.
    static constexpr int kGray[1] = {0};
    static constexpr int kGrayAlpha[2] = {0, 3};
    static constexpr int kRgb[4] = {2, 1, 0, 3};
    const int* place = kRgb;
    switch (channels) {
    case 1:
        bmp = Bitmap(xsize, ysize, 8);
        bmp.palette() = grayPalette();
        place = kGray;
        break;
    case 2:
        bmp = Bitmap(xsize, ysize, 32);
        bmp.setHasAlpha(true);
        step = 4;
        place = kGrayAlpha;
        break;
    case 3: bmp = Bitmap(xsize, ysize, 24); step = 3; break;
    default:
        bmp = Bitmap(xsize, ysize, 32);
        bmp.setHasAlpha(true);
        step = 4;
        break;
    }

    std::vector<uint8_t> row(static_cast<size_t>(xsize));
    for (int c = 0; c < channels; ++c) {
        for (int fileRow = 0; fileRow < ysize; ++fileRow) {
            checkCancelled();
            const uint64_t index = uint64_t(c) * uint64_t(ysize) + uint64_t(fileRow);
            if (storage == 0) {
                const uint8_t* p = data + kHeaderSize + index * uint64_t(bytesPerRow);
                for (int x = 0; x < xsize; ++x)
                    row[size_t(x)] = p[size_t(x) * size_t(bpc)];
            } else {
                const uint8_t* t = data + kHeaderSize;
                ByteReader startAt(t + index * 4, 4);
                ByteReader lengthAt(t + tableEntries * 4 + index * 4, 4);
                const uint32_t start = startAt.u32be(), length = lengthAt.u32be();
                std::fill(row.begin(), row.end(), uint8_t(0));
                ByteReader rle(data + start, length);
                expandRow(rle, bpc, row.data(), xsize);
            }
            uint8_t* d = bmp.scanLine(ysize - 1 - fileRow) + place[c];
            for (int x = 0; x < xsize; ++x)
                d[size_t(x) * size_t(step)] = row[size_t(x)];
            if (channels == 2 && c == 0) {
                uint8_t* g = bmp.scanLine(ysize - 1 - fileRow);
                for (int x = 0; x < xsize; ++x)
                    g[4 * x + 1] = g[4 * x + 2] = row[size_t(x)];
            }
        }
    }
    return bmp;
}

}  // namespace vx
