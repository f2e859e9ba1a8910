// Photoshop pictures (PSD, PDD, and large-document PSB): the merged image
// of the file, raw or PackBits compressed, in bitmap, grayscale, indexed,
// RGB, CMYK, Lab, duotone (shown as gray) or multichannel (its first channel
// as gray) mode, 8 or 16 bits per channel. Extra channels are not shown:
// Photoshop already mattes the merged image.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

class PsdImage : public RasterGraphic {
protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
