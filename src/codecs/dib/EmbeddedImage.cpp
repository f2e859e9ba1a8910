#include "codecs/dib/EmbeddedImage.h"

#include "codecs/Bitmap.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace vx {

QImage decodeEmbeddedImage(const uint8_t* data, size_t size, const char* format)
{
    if (size == 0 || size > size_t(kMaxPixels) * 4)
        throw CodecError(std::string("Embedded ") + format + " picture has a bad size");
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setAutoTransform(false);
    const QSize natural = reader.size();
    if (!natural.isValid())
        throw CodecError(std::string("Embedded ") + format + " picture cannot be read");
    checkPictureSize(natural.width(), natural.height());
    QImage image;
    if (!reader.read(&image) || image.isNull())
        throw CodecError(std::string("Embedded ") + format + " picture is damaged: "
                         + reader.errorString().toStdString());
    return image;
}

}  // namespace vx
