#include "codecs/ByteReader.h"
#include "codecs/dib/DibDecoder.h"
#include "codecs/dib/EmbeddedImage.h"

#include <algorithm>
#include <string>

namespace vx::dib {

namespace {

constexpr const char* kTruncated = "Bitmap is truncated";

bool isStandardMasks(const Header& h)
{
    if (h.bitCount == 16)
        return h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x001F;
    return h.masks[0] == 0x00FF0000 && h.masks[1] == 0x0000FF00 && h.masks[2] == 0x000000FF;
}

void checkDepthAndCompression(const Header& h)
{
    switch (h.bitCount) {
    case 0: case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: throw CodecError("Unsupported bitmap depth " + std::to_string(h.bitCount));
    }
    if (h.os2v2 && (h.compression == 3 || h.compression == 4))
        throw CodecError("OS/2 Huffman and RLE24 bitmaps are not supported");
    switch (h.compression) {
    case kRgb:
        if (h.bitCount == 0)
            throw CodecError("Bitmap has no pixel depth");
        return;
    case kRle8:
        if (h.bitCount != 8)
            throw CodecError("RLE8 bitmap must have 8 bits per pixel");
        return;
    case kRle4:
        if (h.bitCount != 4)
            throw CodecError("RLE4 bitmap must have 4 bits per pixel");
        return;
    case kBitFields:
    case kAlphaBitFields:
        if (h.bitCount != 16 && h.bitCount != 32)
            throw CodecError("Bit-field bitmap must have 16 or 32 bits per pixel");
        return;
    case kJpeg:
    case kPng:
        return;
    default:
        throw CodecError("Unsupported bitmap compression " + std::to_string(h.compression));
    }
}

}  // namespace

Header readHeader(const uint8_t* dib, size_t size, Flavor flavor)
{
    ByteReader in(dib, size, kTruncated);
    Header h;
    h.size = in.u32le();
    int64_t width = 0, height = 0;
    if (h.size == 12) {
        h.core = true;
        width = in.u16le();
        height = in.u16le();
        in.u16le();  // planes
        h.bitCount = in.u16le();
    } else if (h.size >= 16) {
        h.os2v2 = h.size < 40 || h.size == 64;
        in.need(std::min<size_t>(h.size, 40) - 4);
        // Short OS/2 2.x headers leave out trailing fields, which are then zero.
        uint8_t fields[36] = {};
        std::copy_n(dib + 4, std::min<size_t>(h.size, 40) - 4, fields);
        width = int32_t(readLe32(fields));
        height = int32_t(readLe32(fields + 4));
        h.bitCount = readLe16(fields + 10);
        h.compression = readLe32(fields + 12);
        h.colorsUsed = readLe32(fields + 28);
        in.seek(h.size);
    } else {
        throw CodecError("Unsupported bitmap header size " + std::to_string(h.size));
    }
    if (height < 0) {
        h.topDown = true;
        height = -height;
    }
    if (flavor == Flavor::Icon)
        height /= 2;
    h.partialRle = flavor == Flavor::Record;
    checkDepthAndCompression(h);
    if (h.compression != kJpeg && h.compression != kPng)
        checkPictureSize(width, height);
    h.width = int(width);
    h.height = int(height);

    // Bit-field masks: inside v2+ headers, else three (or four) dwords after it.
    if (h.compression == kBitFields || h.compression == kAlphaBitFields) {
        if (h.size >= 52) {
            for (int i = 0; i < 3; ++i)
                h.masks[i] = readLe32(dib + 40 + 4 * i);
            if (h.size >= 56)
                h.masks[3] = readLe32(dib + 52);
        } else {
            const int count = h.compression == kAlphaBitFields ? 4 : 3;
            for (int i = 0; i < count; ++i)
                h.masks[i] = in.u32le();
        }
    } else if (h.bitCount == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else if (h.bitCount == 32) {
        h.masks[0] = 0x00FF0000, h.masks[1] = 0x0000FF00, h.masks[2] = 0x000000FF;
    }

    h.paletteOffset = in.pos();
    if (h.bitCount >= 1 && h.bitCount <= 8) {
        const size_t full = size_t(1) << h.bitCount;
        h.paletteEntries = (h.colorsUsed == 0 || h.colorsUsed > full) ? full : h.colorsUsed;
    } else if (h.colorsUsed <= 256) {
        // Deep bitmaps may carry an (unused) optimisation palette.
        h.paletteEntries = h.colorsUsed;
    }
    return h;
}

namespace {

// The pixels of a DIB whose header h was read from info, with `entries`
// colour table entries present there, from bits[0..size).
Decoded decodePixels(const Header& h, const uint8_t* info, size_t entries, const uint8_t* bits, size_t size)
{
    if (h.compression == kJpeg || h.compression == kPng) {
        const QImage image = decodeEmbeddedImage(bits, size, h.compression == kPng ? "png" : "jpeg");
        return {Bitmap::fromImage(image), size, h.topDown};
    }

    checkSupply(h, size);
    Decoded result;
    result.topDown = h.topDown;
    const bool indexed = h.bitCount <= 8;
    if (!indexed && (h.compression == kBitFields || h.compression == kAlphaBitFields)
        && !(isStandardMasks(h) && (h.masks[3] == 0 || (h.bitCount == 32 && h.masks[3] == 0xFF000000u)))) {
        result.bitmap = readBitFields(h, bits, size);
    } else {
        result.bitmap = Bitmap(h.width, h.height, h.bitCount);
        if (h.compression == kRle4 || h.compression == kRle8)
            readRle(h, bits, size, result.bitmap);
        else
            readUncompressed(h, bits, size, result.bitmap);
        if (h.bitCount == 32 && h.masks[3] == 0xFF000000u) {
            // Alpha counts only when some pixel is not fully transparent.
            bool any = false;
            for (int y = 0; y < h.height && !any; ++y) {
                const uint8_t* row = result.bitmap.scanLine(y);
                for (int x = 0; x < h.width; ++x)
                    if (row[4 * x + 3] != 0) {
                        any = true;
                        break;
                    }
            }
            result.bitmap.setHasAlpha(any);
        }
    }
    result.pixelEnd = storedStride(h.width, h.bitCount) * size_t(h.height);

    if (indexed) {
        // Palettes that stop early are completed with black, so every index
        // of the depth names a colour.
        const size_t entrySize = h.core ? 3 : 4;
        std::vector<PaletteEntry>& palette = result.bitmap.palette();
        palette.assign(size_t(1) << h.bitCount, PaletteEntry{});
        for (size_t i = 0; i < entries && i < palette.size(); ++i) {
            const uint8_t* e = info + h.paletteOffset + i * entrySize;
            palette[i] = {e[0], e[1], e[2], 0};
        }
    }
    return result;
}

}  // namespace

Decoded decode(const uint8_t* dib, size_t size, size_t pixelOffset, Flavor flavor)
{
    const Header h = readHeader(dib, size, flavor);
    const size_t entrySize = h.core ? 3 : 4;
    const size_t paletteEnd = h.paletteOffset + h.paletteEntries * entrySize;

    if (pixelOffset == 0)
        pixelOffset = paletteEnd;
    if (pixelOffset > size)
        throw CodecError(kTruncated);
    // A palette that overlaps the pixels ends where they start.
    size_t entries = h.paletteEntries;
    if (pixelOffset >= h.paletteOffset && pixelOffset < paletteEnd)
        entries = (pixelOffset - h.paletteOffset) / entrySize;
    const bool embedded = h.compression == kJpeg || h.compression == kPng;
    if (!embedded && h.bitCount <= 8 && h.paletteOffset + entries * entrySize > size)
        throw CodecError(kTruncated);
    Decoded result = decodePixels(h, dib, entries, dib + pixelOffset, size - pixelOffset);
    result.pixelEnd += pixelOffset;
    return result;
}

Decoded decode(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize, Flavor flavor)
{
    const Header h = readHeader(info, infoSize, flavor);
    const size_t entrySize = h.core ? 3 : 4;
    const size_t room = infoSize > h.paletteOffset ? (infoSize - h.paletteOffset) / entrySize : 0;
    return decodePixels(h, info, std::min(h.paletteEntries, room), bits, bitsSize);
}

}  // namespace vx::dib
