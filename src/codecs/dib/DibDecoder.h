// Device-independent bitmap decoding shared by bitmap files, packed DIBs,
// icons and the bitmaps of metafile records: header variants (OS/2 core, OS/2 2.x, Windows info v3/v4/v5),
// palettes, uncompressed rows of 1 to 32 bits, bit fields and RLE4/RLE8.
#pragma once

#include "codecs/Bitmap.h"

#include <cstddef>
#include <cstdint>

namespace vx::dib {

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitFields = 3,
    kJpeg = 4,
    kPng = 5,
    kAlphaBitFields = 6,
};

struct Header {
    uint32_t size = 0;        // bytes of the header record
    int width = 0;
    int height = 0;           // rows of the picture (positive)
    bool topDown = false;     // first stored row is the top row
    int bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t colorsUsed = 0;
    uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha (bit fields)
    bool core = false;        // OS/2 1.x: 3-byte palette entries, 16-bit sizes
    bool os2v2 = false;       // OS/2 2.x: compression codes 3 and 4 differ
    size_t paletteOffset = 0; // from the start of the header
    size_t paletteEntries = 0;
    bool partialRle = false;  // RLE data that stops or overruns keeps what it drew
};

enum class Flavor {
    File,    // bitmap file or packed DIB
    Icon,    // icon image: the header height counts the colour and mask rows
    Record,  // bitmap of a metafile record: broken RLE data draws what it holds
};

// Reads the header record (and bit-field masks) at dib[0..size).
Header readHeader(const uint8_t* dib, size_t size, Flavor flavor);

struct Decoded {
    Bitmap bitmap;
    size_t pixelEnd = 0;  // offset just past the colour rows (uncompressed only)
    bool topDown = false; // the first stored row was the top row
};

// Decodes the DIB whose header starts at dib. pixelOffset is where the pixel
// data starts, relative to dib; 0 means right after the palette.
Decoded decode(const uint8_t* dib, size_t size, size_t pixelOffset, Flavor flavor);

// Decodes a DIB whose header and colour table (info) lie apart from its
// pixel data (bits), as in metafile records. A colour table cut short by
// the end of info is completed with black. pixelEnd is relative to bits.
Decoded decode(const uint8_t* info, size_t infoSize, const uint8_t* bits, size_t bitsSize, Flavor flavor);

// Throws CodecError unless `available` bytes of pixel data can hold the
// picture: every row for uncompressed pixels, and for RLE at most 255 pixels
// per two-byte run (a small picture may be mostly skipped by moves).
void checkSupply(const Header& header, size_t available);

// Pixel decoders used by decode(); out has the header's size and depth.
void readUncompressed(const Header& header, const uint8_t* data, size_t size, Bitmap& out);
Bitmap readBitFields(const Header& header, const uint8_t* data, size_t size);
void readRle(const Header& header, const uint8_t* data, size_t size, Bitmap& out);

// Bytes of one stored row of the given width and depth (padded to four).
inline size_t storedStride(int width, int bitCount)
{
    return size_t(((int64_t(width) * bitCount + 31) / 32) * 4);
}

// Row index in the bitmap of the n-th stored row.
inline int rowOf(const Header& header, int stored)
{
    return header.topDown ? stored : header.height - 1 - stored;
}

}  // namespace vx::dib
