// Base of the raster decoders that decode a whole file into one Bitmap:
// loadFromFile reads the file and hands the bytes to loadFromMemory.
#pragma once

#include "codecs/Graphic.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

// The whole file; throws CodecError when it cannot be read or is absurdly large.
std::vector<uint8_t> readWholeFile(const QString& path);

class DecodedGraphic : public Graphic {
public:
    void loadFromFile(const QString& path) override;
    // Decodes the bytes of a file; throws CodecError and then holds no picture.
    void loadFromMemory(const uint8_t* data, size_t size);

    int width() const override { return bitmap_.width(); }
    int height() const override { return bitmap_.height(); }
    Bitmap bitmap() const override { return bitmap_; }

protected:
    // Decodes data into a new bitmap.
    virtual Bitmap decode(const uint8_t* data, size_t size) = 0;
    Bitmap bitmap_;
};

}  // namespace vx
