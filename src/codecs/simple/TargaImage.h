// Truevision Targa pictures (TGA, VST, ICB, VDA, WIN): colour-mapped,
// true-colour and grey pictures, uncompressed or run-length encoded, with
// any of the four origins. Colour-mapped 8-bit pictures stay indexed.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class TargaImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
