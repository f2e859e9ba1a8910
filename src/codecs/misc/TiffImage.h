// TIFF pictures through libtiff: the first page, any photometric and
// compression libtiff reads. Simple 1-, 4- and 8-bit palette and gray
// pictures stay indexed; everything else becomes 32-bit colour.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class TiffImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
