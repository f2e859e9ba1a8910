#include "codecs/misc/DecodedGraphic.h"

#include "platform/FileName.h"
#include <QFile>

namespace vx {

namespace {
// No picture file we read comes near this; a bigger one is refused before allocating.
constexpr qint64 kMaxFileBytes = qint64(2) << 30;
}

std::vector<uint8_t> readWholeFile(const QString& path)
{
    QFile file;
    if (!openForReading(file, path))
        throw CodecError("Cannot read " + path.toStdString());
    const qint64 size = file.size();
    if (size < 0 || size > kMaxFileBytes)
        throw CodecError("File is too large");
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    qint64 done = 0;
    while (done < size) {
        const qint64 n = file.read(reinterpret_cast<char*>(bytes.data()) + done, size - done);
        if (n <= 0)
            break;
        done += n;
    }
    bytes.resize(size_t(done));
    return bytes;
}

void DecodedGraphic::loadFromFile(const QString& path)
{
    const std::vector<uint8_t> bytes = readWholeFile(path);
    loadFromMemory(bytes.data(), bytes.size());
}

void DecodedGraphic::loadFromMemory(const uint8_t* data, size_t size)
{
    bitmap_ = Bitmap();
    if (size == 0)
        throw CodecError("File is empty");
    bitmap_ = decode(data, size);
}

}  // namespace vx
