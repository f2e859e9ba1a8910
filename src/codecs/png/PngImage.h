// PngImage: the PNG decoder on libpng. Every colour type and bit depth,
// interlaced or not; the picture keeps an indexed layout where the file has
// one (see png::decode), alpha becomes a 32-bit bitmap with alpha.
//
// dropTransparency() ignores the simple-transparency chunk (tRNS): palette,
// gray and RGB pictures with such a chunk then draw opaque. The viewer calls
// it right after loading; called before loading it applies to the next load
// and saves decoding twice.
#pragma once

#include "codecs/Graphic.h"
#include "codecs/png/PngDecode.h"

#include <QByteArray>

namespace vx {

class PngImage : public Graphic {
public:
    void loadFromFile(const QString& path) override;
    // The same as loadFromFile for bytes already in memory.
    void loadFromData(const QByteArray& data);

    int width() const override { return bitmap_.width(); }
    int height() const override { return bitmap_.height(); }
    Bitmap bitmap() const override { return bitmap_; }

    void dropTransparency();
    void prepareForScreen() override { dropTransparency(); }
    bool transparencyDropped() const { return dropTrns_; }
    // The loaded file has a tRNS chunk (whether applied or not).
    bool hasTransparencyChunk() const { return info_.hasTrns; }
    const png::Info& info() const { return info_; }

private:
    Bitmap bitmap_;
    png::Info info_;
    bool dropTrns_ = false;
    // The file, kept only while a tRNS chunk is applied (dropping re-decodes).
    QByteArray data_;
};

}  // namespace vx
