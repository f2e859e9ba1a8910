// Device-independent bitmaps inside metafile records: the BITMAPINFO header
// (core, info, V4 and V5 forms), its colour table or bit-field masks and the
// pixel bits (uncompressed, RLE8 or RLE4), turned into a 32-bit image.
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
