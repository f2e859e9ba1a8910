#include "codecs/RasterGraphic.h"

#include "codecs/FileBytes.h"

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
}

}  // namespace vx
