#include "codecs/RasterGraphic.h"

#include "codecs/DisplayScale.h"
#include "codecs/FileBytes.h"

#include <utility>

namespace vx {

void RasterGraphic::loadFromFile(const QString& path)
{
    const QByteArray bytes = readFileBytes(path);
    loadFromData(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

void RasterGraphic::loadFromData(const uint8_t* data, size_t size)
{
    if (data == nullptr || size == 0)
        throw CodecError("File is empty");
    Bitmap decoded = decode(data, size);
    if (decoded.isNull())
        throw CodecError("Picture has no pixels");
    keep(data, size);
    bitmap_ = std::move(decoded);
    prepared_ = QImage();
}

void RasterGraphic::prepareDisplay(QSize target)
{
    prepared_ = QImage();
    if (frameCount() == 1)
        prepared_ = shrinkByArea(displayImage(target), target);
}

QImage RasterGraphic::frameImageAt(int index, QSize size) const
{
    if (!prepared_.isNull() && index == 0 && size.width() <= prepared_.width()
        && size.height() <= prepared_.height()) {
        const QImage prepared = std::exchange(prepared_, QImage());
        return scaleForDisplay(prepared, size);
    }
    prepared_ = QImage();
    return Graphic::frameImageAt(index, size);
}

}  // namespace vx
