// Windows and OS/2 bitmaps (BMP, DIB, RLE): bitmap files with their file
// header and packed DIBs that start with the info header. Indexed pictures
// keep their depth and palette.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class BmpImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
