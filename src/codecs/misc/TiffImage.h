// TIFF pictures through libtiff: the first page, any photometric and
// compression libtiff reads. Simple 1-, 4- and 8-bit palette and gray
// pictures stay indexed; everything else becomes 32-bit colour.
#pragma once

#include "codecs/misc/DecodedGraphic.h"

namespace vx {

class TiffImage : public DecodedGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) override;
};

}  // namespace vx
