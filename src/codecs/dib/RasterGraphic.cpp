#include "codecs/dib/RasterGraphic.h"

#include "platform/FileName.h"
#include <QFile>

namespace vx {

std::vector<uint8_t> readFileBytes(const QString& path)
{
    QFile file;
    if (!openForReading(file, path))
        throw CodecError("Cannot open " + path.toStdString() + ": " + file.errorString().toStdString());
    const qint64 size = file.size();
    if (size < 0 || size > kMaxFileBytes)
        throw CodecError("File is too large: " + path.toStdString());
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(reinterpret_cast<char*>(bytes.data()) + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    if (done != size)
        throw CodecError("Cannot read " + path.toStdString());
    return bytes;
}

void RasterGraphic::loadFromFile(const QString& path)
{
    const std::vector<uint8_t> bytes = readFileBytes(path);
    loadFromData(bytes.data(), bytes.size());
}

void RasterGraphic::loadFromData(const uint8_t* data, size_t size)
{
    if (data == nullptr || size == 0)
        throw CodecError("File is empty");
    Bitmap decoded = decode(data, size);
    if (decoded.isNull())
        throw CodecError("Picture has no pixels");
    bitmap_ = decoded;
}

}  // namespace vx
