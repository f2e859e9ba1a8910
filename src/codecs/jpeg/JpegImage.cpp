#include "codecs/jpeg/JpegImage.h"

#include "codecs/jpeg/JpegEighth.h"

#include "platform/FileName.h"
#include <QFile>
#include <cstdio>

namespace vx {

template <typename Decode>
auto JpegImage::withSource(Decode&& decode) const
{
    if (path_.isEmpty())
        return decode(jpeg::Source::memory(reinterpret_cast<const uint8_t*>(data_.constData()), size_t(data_.size())));
    FILE* file = std::fopen(encodeFileName(path_).constData(), "rb");
    if (!file)
        throw CodecError("Cannot read " + path_.toStdString());
    struct Closer {
        FILE* f;
        ~Closer() { std::fclose(f); }
    } closer{file};
    return decode(jpeg::Source::stream(file));
}

void JpegImage::loadFromFile(const QString& path)
{
    QFile file;
    if (!openForReading(file, path))
        throw CodecError("Cannot read " + path.toStdString());
    file.close();
    const QString previousPath = path_;
    const QByteArray previousData = data_;
    path_ = path;
    data_.clear();
    try {
        header_ = withSource([](const jpeg::Source& source) { return jpeg::readHeader(source); });
    } catch (...) {
        path_ = previousPath;
        data_ = previousData;
        throw;
    }
    display_ = QImage();
    displayScale_ = 0;
    prepared_ = QImage();
}

void JpegImage::loadFromData(const uint8_t* data, size_t size)
{
    if (data == nullptr || size == 0)
        throw CodecError("File is empty");
    const jpeg::Header header = jpeg::readHeader(jpeg::Source::memory(data, size));
    path_.clear();
    data_ = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    header_ = header;
    display_ = QImage();
    displayScale_ = 0;
    prepared_ = QImage();
}

int JpegImage::scaleFor(QSize target) const
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

JpegImage::DisplayDecode JpegImage::displayDecodeFor(QSize target) const
{
    const int scale = scaleFor(target);
    const bool fast = speedFirst_ && target.width() > 0 && target.height() > 0
                      && target.width() < header_.width && target.height() < header_.height;
    // Shown smaller than natural size: decode straight to the size shown.
    return {scale, fast, fast ? target : QSize()};
}

QImage JpegImage::decodeFast(const jpeg::Source& source, int scale)
{
    // An eighth is what the viewer's own decoder gives for most files.
    if (scale == 1)
        if (std::optional<QImage> eighth = jpeg::decodeEighth(source))
            return *eighth;
    return jpeg::decodeDisplay(source, scale, true);
}

void JpegImage::prepareDisplay(QSize target)
{
    if (path_.isEmpty() && data_.isEmpty())
        return;
    const DisplayDecode d = displayDecodeFor(target);
    if (!d.fast) {
        displayImage(target);  // the decode at natural size serves any such target
        return;
    }
    prepared_ = QImage();
    prepared_ = withSource([&](const jpeg::Source& source) { return decodeFast(source, d.scale); });
    preparedScale_ = d.scale;
}

QImage JpegImage::displayImage(QSize target) const
{
    if (path_.isEmpty() && data_.isEmpty())
        return QImage();
    const DisplayDecode d = displayDecodeFor(target);
    if (display_.isNull() || displayScale_ != d.scale || displayFast_ != d.fast || displayTarget_ != d.exact) {
        display_ = QImage();  // never hold two display decodes at once
        if (d.fast && preparedScale_ >= d.scale && !prepared_.isNull()) {
            // At the same scale, the rows the decode would give, shrunk the
            // same way; from a larger scale, a picture at least as sharp.
            display_ = jpeg::shrinkDisplay(prepared_, d.exact);
        } else {
            display_ = withSource([&](const jpeg::Source& source) {
                if (d.fast && d.scale == 1)
                    return jpeg::shrinkDisplay(decodeFast(source, 1), d.exact);
                return d.fast ? jpeg::decodeDisplayTo(source, d.scale, true, d.exact)
                              : jpeg::decodeDisplay(source, d.scale, false);
            });
        }
        displayScale_ = d.scale;
        displayFast_ = d.fast;
        displayTarget_ = d.exact;
    }
    prepared_ = QImage();
    return display_;
}

Bitmap JpegImage::bitmap() const
{
    if (path_.isEmpty() && data_.isEmpty())
        return Bitmap();
    return withSource([](const jpeg::Source& source) { return jpeg::decodeBitmap(source); });
}

}  // namespace vx
