// Device-independent bitmaps inside metafile records, decoded by the bitmap
// decoder (codecs/dib) and turned into a 32-bit image for the canvas. What
// is the metafile's own: colour tables of logical palette indices, RLE data
// that stops early drawn as far as it goes (dib::Flavor::Record), and the
// row order blits count their source rectangles in.
#pragma once

#include "codecs/ByteReader.h"

#include <QImage>

namespace vx::meta {

struct Dib {
    QImage image;          // Format_RGB32, rows top to bottom
    bool bottomUp = true;  // the file stored its rows bottom to top
};

// info holds the header and colour table, bits the pixel data. With
// paletteIndices the colour table holds 16-bit indices into the logical
// palette (DIB_PAL_COLORS), which metafiles do not carry: they are shown grey.
// Throws CodecError for anything malformed or too large.
Dib decodeDib(const ByteReader& info, const ByteReader& bits, bool paletteIndices = false);

// A packed DIB: the BITMAPINFO directly followed by the bits (WMF records).
Dib decodePackedDib(const ByteReader& packed, bool paletteIndices = false);

}  // namespace vx::meta
