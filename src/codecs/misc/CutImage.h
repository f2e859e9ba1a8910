// Dr. Halo CUT pictures: 8-bit indices in run-length rows. The colours come
// from the Dr. Halo palette (.pal) of the same base name in the same folder
// when there is one, otherwise the indices are gray levels.
#pragma once

#include "codecs/RasterGraphic.h"

#include <vector>

namespace vx {

class CutImage : public RasterGraphic {
public:
    // Reads the picture and looks for its palette file beside it.
    void loadFromFile(const QString& path) override;

    // Palette used by the next load (empty: gray levels).
    void setPalette(std::vector<PaletteEntry> palette) { palette_ = std::move(palette); }

    // Parses a Dr. Halo palette file; throws CodecError when it is not one.
    static std::vector<PaletteEntry> parseHaloPalette(const uint8_t* data, size_t size);
    // The ".pal" file (extension in any letter case) beside a picture, or "".
    static QString findPaletteFile(const QString& picturePath);

protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;

private:
    std::vector<PaletteEntry> palette_;
};

}  // namespace vx
