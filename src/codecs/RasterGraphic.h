// Base of the decoders that turn a whole file, held in memory, into one
// bitmap: loading from a path reads the file (readFileBytes) and decodes its
// bytes like loadFromData. A load that fails throws CodecError and keeps the
// picture loaded before, if any: no half-decoded picture is ever held.
#pragma once

#include "codecs/Graphic.h"

#include <cstddef>
#include <cstdint>

namespace vx {

class RasterGraphic : public Graphic {
public:
    using Graphic::loadFromData;
    void loadFromFile(const QString& path) override;
    void loadFromData(const uint8_t* data, size_t size) override;

    int width() const override { return bitmap_.width(); }
    int height() const override { return bitmap_.height(); }
    Bitmap bitmap() const override { return bitmap_; }
    // Shrinks the picture for target now, on this thread (the start
    // picture's decoding thread, while the window is still being made).
    void prepareDisplay(QSize target) override;
    // A size the prepared picture covers is shrunk from it.
    QImage frameImageAt(int index, QSize size) const override;

protected:
    // The picture the bytes of a file describe; throws CodecError.
    virtual Bitmap decode(const uint8_t* data, size_t size) const = 0;
    // Called once decode succeeded, just before its picture replaces the
    // old one: a decoder that keeps more than the bitmap takes it here.
    virtual void keep(const uint8_t* /*data*/, size_t /*size*/) {}
    // Replaces the picture (a decoder that decodes again differently).
    void setBitmap(Bitmap bitmap) { bitmap_ = std::move(bitmap); }

private:
    Bitmap bitmap_;
    // The picture shrunk by prepareDisplay, given up once used.
    mutable QImage prepared_;
};

}  // namespace vx
