#include "codecs/png/PngImage.h"

#include "platform/FileName.h"
#include <QFile>

namespace vx {

void PngImage::loadFromFile(const QString& path)
{
    QFile file;
    if (!openForReading(file, path))
        throw CodecError("Cannot read " + path.toStdString());
    if (file.size() > (qint64(1) << 31))
        throw CodecError("PNG file too large");
    const QByteArray data = file.readAll();
    if (data.size() != file.size())
        throw CodecError("Cannot read " + path.toStdString());
    loadFromData(data);
}

void PngImage::loadFromData(const QByteArray& data)
{
    png::Info info;
    Bitmap decoded = png::decode(reinterpret_cast<const uint8_t*>(data.constData()),
                                 size_t(data.size()), !dropTrns_, &info);
    bitmap_ = decoded;
    info_ = info;
    data_ = (info.hasTrns && !dropTrns_) ? data : QByteArray();
}

void PngImage::dropTransparency()
{
    dropTrns_ = true;
    if (data_.isEmpty())
        return;
    bitmap_ = Bitmap();  // release the first decode before the second
    bitmap_ = png::decode(reinterpret_cast<const uint8_t*>(data_.constData()),
                          size_t(data_.size()), false, &info_);
    data_.clear();
}

}  // namespace vx
