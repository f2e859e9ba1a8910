// JpegImage: the JPEG decoder (baseline, progressive, grayscale, CMYK and
// YCCK) on libjpeg-turbo. Loading a file reads its header only and keeps the
// path: pixels are decoded from the file when asked for, so the compressed
// data is not held in memory (loadFromData keeps the bytes it is given).
//
// Speed first: displayImage(target) then decodes with libjpeg-turbo's DCT
// scaling at the smallest eighth whose result still covers the target in
// both sides, with the fast integer IDCT when the picture is shown smaller
// than its natural size, shrinking the rows as they arrive to exactly the
// target size. bitmap() decodes at full resolution each time it is asked.
#pragma once

#include "codecs/Graphic.h"
#include "codecs/jpeg/JpegDecode.h"

#include <QByteArray>

namespace vx {

class JpegImage : public Graphic {
public:
    using Graphic::loadFromData;
    void loadFromFile(const QString& path) override;
    // Keeps a copy of the bytes to decode from.
    void loadFromData(const uint8_t* data, size_t size) override;

    int width() const override { return header_.width; }
    int height() const override { return header_.height; }

    // Full resolution: 24-bit BGR, or 8-bit gray indexed for grayscale files.
    Bitmap bitmap() const override;
    // Format_RGB32 pixels for a control of the given size (natural size when
    // speed first is off or the target is empty); cached for the last decode.
    QImage displayImage(QSize target) const override;

    void setSpeedFirst(bool on) { speedFirst_ = on; }
    void prepareForScreen() override { setSpeedFirst(true); }
    // Decodes at the DCT scale target needs, before shrinking: a later
    // displayImage at a size that needs no larger scale only shrinks it.
    void prepareDisplay(QSize target) override;
    bool speedFirst() const { return speedFirst_; }

    // The DCT scale, in eighths, displayImage uses for target.
    int scaleFor(QSize target) const;

    bool isGrayscale() const { return header_.model == jpeg::ColorModel::Gray; }
    bool isCmyk() const { return header_.model == jpeg::ColorModel::CMYK; }
    bool isProgressive() const { return header_.progressive; }

private:
    // How displayImage decodes for target.
    struct DisplayDecode {
        int scale;
        bool fast;    // fast IDCT, shrunk to `exact` as the rows arrive
        QSize exact;  // empty: the decode at the DCT scale as it is
    };
    DisplayDecode displayDecodeFor(QSize target) const;
    // The fast display decode at scale / 8.
    static QImage decodeFast(const jpeg::Source& source, int scale);

    // Runs decode with a source for the picture (the file opened afresh, or the bytes).
    template <typename Decode>
    auto withSource(Decode&& decode) const;

    QString path_;
    QByteArray data_;
    jpeg::Header header_;
    bool speedFirst_ = false;

    // Cache of the last display decode and of the full bitmap.
    mutable QImage display_;
    mutable int displayScale_ = 0;
    mutable bool displayFast_ = false;
    mutable QSize displayTarget_;
    // The prepared decode at DCT scale preparedScale_, given up once used.
    mutable QImage prepared_;
    int preparedScale_ = 0;
};

}  // namespace vx
