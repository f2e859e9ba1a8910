// Uncompressed, single-strip, little-endian TIFF files from a bitmap, in
// one of three layouts chosen by its depth: bilevel (1 bit), palette (4 or
// 8 bits) and RGB (24 or 32 bits; 16-bit pictures are written as 24 bits).
#pragma once

#include "codecs/Bitmap.h"

#include <QIODevice>
#include <QString>

namespace vx {

// The software name every file carries (10 characters, no terminating zero).
inline constexpr char kTiffSoftware[] = "Quendarith";

// Writes the file to a seekable device positioned at its start (the
// directory offset at byte 4 is filled in at the end). Throws SaveError.
void encodeTiff(const Bitmap& bitmap, QIODevice& out);

// Creates or replaces path; the old file stays until the new one is complete.
void WriteTiff(const QString& path, const Bitmap& bitmap);

}  // namespace vx
