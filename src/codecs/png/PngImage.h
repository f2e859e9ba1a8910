// PngImage: the PNG decoder on libpng. Every colour type and bit depth,
// interlaced or not; the picture keeps an indexed layout where the file has
// one (see png::decode), alpha becomes a 32-bit bitmap with alpha.
//
// dropTransparency() ignores the simple-transparency chunk (tRNS): palette,
// gray and RGB pictures with such a chunk then draw opaque. The viewer calls
// it right after loading; called before loading it applies to the next load
// and saves decoding twice.
#pragma once

#include "codecs/RasterGraphic.h"
#include "codecs/png/PngDecode.h"

#include <QByteArray>

namespace vx {

class PngImage : public RasterGraphic {
public:
    void dropTransparency();
    void prepareForScreen() override { dropTransparency(); }
    bool transparencyDropped() const { return dropTrns_; }
    // The loaded file has a tRNS chunk (whether applied or not).
    bool hasTransparencyChunk() const { return info_.hasTrns; }
    const png::Info& info() const { return info_; }

protected:
    Bitmap decode(const uint8_t* data, size_t size) const override;
    void keep(const uint8_t* data, size_t size) override;

private:
    png::Info info_;
    mutable png::Info decoded_;  // what the last decode found, until kept
    bool dropTrns_ = false;
    // The file, kept only while a tRNS chunk is applied (dropping re-decodes).
    QByteArray data_;
};

}  // namespace vx
