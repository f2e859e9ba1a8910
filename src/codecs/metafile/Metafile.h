// Metafile: Windows metafiles (WMF, placeable or plain) and enhanced
// metafiles (EMF), played with QPainter at any size.
#pragma once

#include "codecs/Graphic.h"
#include "codecs/metafile/EmfPlayer.h"
#include "codecs/metafile/WmfPlayer.h"

#include <QByteArray>

namespace vx {

class Metafile : public Graphic {
public:
    // Largest metafile we read into memory.
    static constexpr qint64 kMaxFileSize = qint64(256) << 20;

    using Graphic::loadFromData;
    void loadFromFile(const QString& path) override;
    // Keeps a copy of the bytes: the records are played on every draw.
    void loadFromData(const uint8_t* data, size_t size) override;

    int width() const override { return size_.width(); }
    int height() const override { return size_.height(); }
    bool isEnhanced() const { return enhanced_; }

    // Rendered at the natural size onto white, 32 bits per pixel.
    Bitmap bitmap() const override;
    // Rendered at the target size onto white; the last size is cached.
    QImage displayImage(QSize target) const override;
    // Plays the records into rect.
    void draw(QPainter& painter, const QRectF& rect) const override;
    bool isVector() const override { return true; }

private:
    // Replaces the picture by the one in data, or keeps it on failure.
    void load(const QByteArray& data);
    // Reads the headers of data into this empty metafile.
    void read(const QByteArray& data);
    void loadWmf(const ByteReader& bytes);

    QByteArray data_;
    bool enhanced_ = false;
    meta::EmfHeader emf_;
    meta::WmfHeader wmf_;
    QRectF window_;  // WMF: the logical rectangle the picture shows
    QSize size_{0, 0};
    mutable QImage cache_;
};

}  // namespace vx
