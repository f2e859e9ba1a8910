#include "codecs/metafile/DibImage.h"

#include "codecs/DecodeCancel.h"

#include <algorithm>
#include <bit>
#include <vector>

namespace vx::meta {

namespace {

enum : uint32_t { BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6 };

// How much the RLE data may expand: a generous bound that still keeps a
// few bytes from claiming a quarter-gigapixel picture.
constexpr int64_t kMaxRleExpansion = 1024;

struct Header {
    int64_t width = 0, height = 0;
    bool topDown = false;
    int bpp = 0;
    uint32_t compression = BiRgb;
    uint32_t colorsUsed = 0;
    size_t size = 0;   // header bytes
    bool core = false; // BITMAPCOREHEADER: three-byte colour entries
    uint32_t masks[3] = {0, 0, 0};
    size_t tableOffset = 0;
};

Header readHeader(const ByteReader& info)
{
    Header h;
    h.size = info.u32le(0);
    if (h.size == 12) {
        h.core = true;
        h.width = info.u16le(4);
        h.height = info.u16le(6);
        h.bpp = info.u16le(10);
    } else if (h.size >= 40 && h.size <= 1024) {
        h.width = info.i32le(4);
        const int32_t height = info.i32le(8);
        h.topDown = height < 0;
        h.height = h.topDown ? -int64_t(height) : int64_t(height);
        h.bpp = info.u16le(14);
        h.compression = info.u32le(16);
        h.colorsUsed = info.u32le(32);
    } else {
        throw CodecError("Unknown bitmap header size");
    }
    checkPictureSize(h.width, h.height);
    switch (h.bpp) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw CodecError("Unsupported bitmap depth");
    }
    h.tableOffset = h.size;
    switch (h.compression) {
    case BiRgb:
        break;
    case BiRle8:
    case BiRle4:
        if (h.bpp != (h.compression == BiRle8 ? 8 : 4) || h.topDown)
            throw CodecError("Bad RLE bitmap");
        break;
    case BiBitfields:
    case BiAlphaBitfields: {
        if (h.bpp != 16 && h.bpp != 32)
            throw CodecError("Bit fields need 16 or 32 bits");
        // Masks follow a 40-byte header, or sit inside the larger ones.
        const size_t at = 40;
        for (int i = 0; i < 3; ++i)
            h.masks[i] = info.u32le(at + 4 * size_t(i));
        if (h.size == 40)
            h.tableOffset = 40 + (h.compression == BiAlphaBitfields ? 16 : 12);
        break;
    }
    default:
        throw CodecError("Unsupported bitmap compression");
    }
    if (h.compression == BiRgb || h.compression == BiRle8 || h.compression == BiRle4) {
        if (h.bpp == 16) {
            h.masks[0] = 0x7C00; h.masks[1] = 0x03E0; h.masks[2] = 0x001F;
        } else if (h.bpp == 32) {
            h.masks[0] = 0xFF0000; h.masks[1] = 0xFF00; h.masks[2] = 0xFF;
        }
    }
    return h;
}

std::vector<QRgb> readColorTable(const ByteReader& info, const Header& h, bool paletteIndices)
{
    std::vector<QRgb> table;
    if (h.bpp > 8)
        return table;
    const size_t max = size_t(1) << h.bpp;
    size_t count = (h.colorsUsed && h.colorsUsed < max) ? h.colorsUsed : max;
    const size_t entry = paletteIndices ? 2 : (h.core ? 3 : 4);
    const size_t available = info.size() > h.tableOffset ? (info.size() - h.tableOffset) / entry : 0;
    count = std::min(count, available);
    table.resize(max, qRgb(0, 0, 0));
    for (size_t i = 0; i < count; ++i) {
        const size_t at = h.tableOffset + i * entry;
        if (paletteIndices) {
            const int grey = int(info.u16le(at) & 0xFF);
            table[i] = qRgb(grey, grey, grey);
        } else {
            table[i] = qRgb(info.u8(at + 2), info.u8(at + 1), info.u8(at));
        }
    }
    return table;
}

// Scales a masked channel to eight bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;
    explicit Channel(uint32_t m) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            bits = std::min(8, std::popcount(m >> shift) );
        }
    }
    int value(uint32_t pixel) const
    {
        if (!mask)
            return 0;
        uint32_t v = (pixel & mask) >> shift;
        const int width = std::popcount(mask >> shift);
        if (width > 8)
            return int(v >> (width - 8));
        // Replicate the top bits so that full-scale values become 255.
        uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << width) | v;
            filled += width;
        }
        return int(out >> (filled - 8));
    }
};

void decodeRows(QImage& image, const Header& h, const ByteReader& bits, const std::vector<QRgb>& table)
{
    const int w = int(h.width), height = int(h.height);
    const size_t stride = size_t(Bitmap::strideFor(w, h.bpp));
    if (bits.size() / stride < size_t(height))
        throw CodecError("Bitmap bits are truncated");
    const Channel r(h.masks[0]), g(h.masks[1]), b(h.masks[2]);
    for (int y = 0; y < height; ++y) {
        checkCancelled();
        const uint8_t* src = bits.data() + size_t(y) * stride;
        QRgb* dst = reinterpret_cast<QRgb*>(image.scanLine(h.topDown ? y : height - 1 - y));
        switch (h.bpp) {
        case 1:
            for (int x = 0; x < w; ++x)
                dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = 0; x < w; ++x)
                dst[x] = table[(x & 1) ? (src[x >> 1] & 15) : (src[x >> 1] >> 4)];
            break;
        case 8:
            for (int x = 0; x < w; ++x)
                dst[x] = table[src[x]];
            break;
        case 16:
            for (int x = 0; x < w; ++x) {
                const uint32_t v = src[2 * x] | (uint32_t(src[2 * x + 1]) << 8);
                dst[x] = qRgb(r.value(v), g.value(v), b.value(v));
            }
            break;
        case 24:
            for (int x = 0; x < w; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        case 32:
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = src + 4 * x;
                const uint32_t v = p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16)
                                   | (uint32_t(p[3]) << 24);
                dst[x] = qRgb(r.value(v), g.value(v), b.value(v));
            }
            break;
        }
    }
}

// RLE8 and RLE4: runs and literal groups, with end-of-line, end-of-bitmap
// and delta escapes. Pixels the data never reaches keep colour index 0.
void decodeRle(QImage& image, const Header& h, const ByteReader& bits, const std::vector<QRgb>& table)
{
    const int w = int(h.width), height = int(h.height);
    if (int64_t(w) * height > std::max<int64_t>(int64_t(bits.size()), 1) * kMaxRleExpansion)
        throw CodecError("RLE bitmap claims too many pixels for its data");
    const bool four = h.compression == BiRle4;
    image.fill(table[0]);
    int x = 0, y = 0;
    size_t at = 0;
    auto put = [&](unsigned index) {
        if (x < w && y < height)
            reinterpret_cast<QRgb*>(image.scanLine(height - 1 - y))[x] = table[index & 0xFF];
        ++x;
    };
    while (at + 1 < bits.size() && y < height) {
        const unsigned count = bits.u8(at), value = bits.u8(at + 1);
        at += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < w; ++i)
                put(four ? ((i & 1) ? (value & 15) : (value >> 4)) : value);
            continue;
        }
        if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (at + 1 >= bits.size())
                break;
            x += bits.u8(at);
            y += bits.u8(at + 1);
            at += 2;
        } else {
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (!bits.has(at, bytes))
                break;
            for (unsigned i = 0; i < value && x < w; ++i) {
                const unsigned byte = bits.u8(at + (four ? i / 2 : i));
                put(four ? ((i & 1) ? (byte & 15) : (byte >> 4)) : byte);
            }
            at += (bytes + 1) & ~size_t(1);
        }
    }
}

}  // namespace

Dib decodeDib(const ByteReader& info, const ByteReader& bits, bool paletteIndices)
{
    const Header h = readHeader(info);
    const std::vector<QRgb> table = readColorTable(info, h, paletteIndices);
    if (h.compression == BiRgb || h.compression == BiBitfields || h.compression == BiAlphaBitfields) {
        // Refuse before allocating when the bits cannot fill the picture.
        const uint64_t need = uint64_t(Bitmap::strideFor(int(h.width), h.bpp)) * uint64_t(h.height);
        if (bits.size() < need)
            throw CodecError("Bitmap bits are truncated");
    }
    Dib dib;
    dib.bottomUp = !h.topDown;
    dib.image = QImage(int(h.width), int(h.height), QImage::Format_RGB32);
    if (dib.image.isNull())
        throw CodecError("Not enough memory for the bitmap");
    if (h.compression == BiRle8 || h.compression == BiRle4)
        decodeRle(dib.image, h, bits, table);
    else
        decodeRows(dib.image, h, bits, table);
    return dib;
}

Dib decodePackedDib(const ByteReader& packed, bool paletteIndices)
{
    const Header h = readHeader(packed);
    size_t infoSize = h.tableOffset;
    if (h.bpp <= 8) {
        const size_t max = size_t(1) << h.bpp;
        const size_t count = (h.colorsUsed && h.colorsUsed < max) ? h.colorsUsed : max;
        infoSize += count * (paletteIndices ? 2 : (h.core ? 3 : 4));
    }
    packed.need(0, infoSize);
    return decodeDib(packed.sub(0, infoSize), packed.from(infoSize), paletteIndices);
}

}  // namespace vx::meta
