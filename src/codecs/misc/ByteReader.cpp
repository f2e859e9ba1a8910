#include "codecs/misc/ByteReader.h"

#include "platform/FileName.h"
#include <QFile>
#include <algorithm>

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

std::vector<PaletteEntry> grayPalette(int entries)
{
    entries = std::clamp(entries, 1, 256);
    std::vector<PaletteEntry> palette(static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        const uint8_t v = uint8_t(entries > 1 ? i * 255 / (entries - 1) : 0);
        palette[size_t(i)] = {v, v, v, 0};
    }
    return palette;
}

}  // namespace vx
