#include "codecs/jpeg/JPEGImage.h"

#include <QFile>

namespace vx {

void TJPEGImage::loadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw CodecError("Cannot read " + path.toStdString());
    const qint64 size = file.size();
    // Larger than any JPEG of a picture we would accept.
    if (size > (qint64(1) << 31))
        throw CodecError("JPEG file too large");
    QByteArray data = file.readAll();
    if (data.size() != size)
        throw CodecError("Cannot read " + path.toStdString());
    loadFromData(data);
}

void TJPEGImage::loadFromData(const QByteArray& data)
{
    const jpeg::Header header =
        jpeg::readHeader(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    data_ = data;
    header_ = header;
    display_ = QImage();
    displayScale_ = 0;
    bitmap_ = Bitmap();
}

int TJPEGImage::scaleFor(QSize target) const
{
    if (!speedFirst_ || target.width() <= 0 || target.height() <= 0)
        return 8;
    for (int n = 1; n < 8; ++n) {
        const QSize s = jpeg::scaledSize(header_.width, header_.height, n);
        if (s.width() >= target.width() && s.height() >= target.height())
            return n;
    }
    return 8;
}

QImage TJPEGImage::displayImage(QSize target) const
{
    if (data_.isEmpty())
        return QImage();
    const int scale = scaleFor(target);
    const bool fast = speedFirst_ && target.width() > 0 && target.height() > 0
                      && target.width() < header_.width && target.height() < header_.height;
    if (display_.isNull() || displayScale_ != scale || displayFast_ != fast) {
        display_ = QImage();  // never hold two display decodes at once
        display_ = jpeg::decodeDisplay(reinterpret_cast<const uint8_t*>(data_.constData()),
                                       size_t(data_.size()), scale, fast);
        displayScale_ = scale;
        displayFast_ = fast;
    }
    return display_;
}

Bitmap TJPEGImage::bitmap() const
{
    if (data_.isEmpty())
        return Bitmap();
    if (bitmap_.isNull())
        bitmap_ = jpeg::decodeBitmap(reinterpret_cast<const uint8_t*>(data_.constData()),
                                     size_t(data_.size()));
    return bitmap_;
}

}  // namespace vx
