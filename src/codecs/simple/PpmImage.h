// Portable bitmaps, greymaps and pixmaps (PBM, PGM, PPM), plain (P1-P3) and
// raw (P4-P6), with maximum values up to 65535 scaled to 8 bits. Bitmaps
// stay 1-bit (palette white, black), greymaps become 8-bit grey, pixmaps
// 24-bit.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class PpmImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
