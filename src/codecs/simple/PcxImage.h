// ZSoft Paintbrush pictures (PCX, PCC): 1-bit, 2- and 4-bit (packed or in
// up to four 1-bit planes), 8-bit with the 256-colour palette at the end of
// the file, and 24/32-bit in three or four 8-bit planes; run-length encoded
// or raw. Indexed pictures stay indexed.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class PcxImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
