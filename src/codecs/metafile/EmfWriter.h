// Writes a bitmap as an enhanced metafile holding one 24-bit
// EMR_STRETCHDIBITS drawing of it at (0, 0).
#pragma once

#include "codecs/Bitmap.h"

#include <QIODevice>

namespace vx {

// Throws CodecError for an empty bitmap or when the device cannot be written.
void encodeEmf(const Bitmap& bitmap, QIODevice& out);

}  // namespace vx
