// Silicon Graphics image files (SGI, RGB, RGBA, BW): verbatim or run-length
// encoded planes of bottom-up rows, 1 to 4 channels of 1 or 2 bytes.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class SgiImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
