// Common base of the decoders that read a whole file into memory and turn it
// into one bitmap: loading from a path or from bytes, size and pixels.
#pragma once

#include "codecs/Graphic.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vx {

// Largest file a raster decoder reads into memory.
inline constexpr int64_t kMaxFileBytes = int64_t(1) << 30;

// The whole content of a file; throws CodecError when it cannot be read or
// is larger than kMaxFileBytes.
std::vector<uint8_t> readFileBytes(const QString& path);

class RasterGraphic : public Graphic {
public:
    void loadFromFile(const QString& path) override;
    // Decodes a file held in memory. On failure (CodecError) the picture
    // loaded before, if any, is kept.
    void loadFromData(const uint8_t* data, size_t size);

    int width() const override { return bitmap_.width(); }
    int height() const override { return bitmap_.height(); }
    Bitmap bitmap() const override { return bitmap_; }

protected:
    virtual Bitmap decode(const uint8_t* data, size_t size) const = 0;

private:
    Bitmap bitmap_;
};

}  // namespace vx
