// Paint Shop Pro pictures (PSP, PSPIMAGE), file format versions of Paint
// Shop Pro 5 and later: the composite image of the composite image bank
// when the file has one, otherwise the visible raster layers merged with
// their opacity and transparency masks. 1-, 4- and 8-bit paletted or gray
// and 24-bit pictures; no, run-length or LZ77 compression.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class PspImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
