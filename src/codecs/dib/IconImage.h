// Windows icons (ICO, also cursors): the first image of the file, from a
// BMP-based entry (colour rows with the AND mask, or 32-bit alpha) or a
// PNG-compressed entry, at the standard icon size of 32 x 32 pixels. The
// bitmap is 32 bits with alpha.
#pragma once

#include "codecs/RasterGraphic.h"

namespace vx {

inline constexpr int kStandardIconSize = 32;

class IconImage : public RasterGraphic {
public:
    // The picture of one image entry at its own size, before scaling.
    static QImage decodeEntry(const uint8_t* data, size_t size);

protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
};

}  // namespace vx
