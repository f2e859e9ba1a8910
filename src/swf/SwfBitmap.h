// Decoding of the SWF bitmap tags into premultiplied ARGB images:
// DefineBits (with the movie's JPEGTables), DefineBitsJPEG2/3/4 (JPEG, PNG or
// GIF data, with the zlib alpha plane of 3 and 4), DefineBitsLossless and
// DefineBitsLossless2. Throws CodecError for broken or oversized data.
#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

namespace vx::swf {

// tagCode is the SWF tag (6, 21, 35, 90, 20 or 36); body excludes the character id.
QImage decodeBitmapTag(int tagCode, const uint8_t* body, size_t size, const QByteArray& jpegTables);

// A whole JPEG stream decoded with libjpeg into ARGB32 (opaque).
QImage decodeJpeg(const uint8_t* data, size_t size);

// Inflates a zlib stream into exactly `expected` bytes at most; returns the
// bytes produced. Throws on a broken stream.
QByteArray inflateUpTo(const uint8_t* data, size_t size, size_t expected);

}  // namespace vx::swf
