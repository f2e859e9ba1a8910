#include "flash/SwfFileInfo.h"

#include "platform/FileName.h"
#include "codecs/ByteReader.h"
#include "codecs/Inflate.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

namespace vx {

namespace {

constexpr int kBodySize = 25;

// Inflates the rest of the open file, reading only until kBodySize bytes of
// output exist or the stream ends; bytes not produced stay zero.
void inflateBody(QFile& file, uint8_t (&body)[kBodySize])
{
    char chunk[4096];
    const InflateResult r = inflateInto(
        [&](const uint8_t*& data) {
            data = reinterpret_cast<const uint8_t*>(chunk);
            return size_t(std::max<qint64>(file.read(chunk, sizeof chunk), 0));
        },
        body, kBodySize);
    if (r.end == InflateEnd::Corrupt)
        throw CodecError("Broken compressed SWF body: " + r.message);
}

int32_t signExtend(uint32_t value, uint32_t bits)
{
    if (bits == 0 || bits >= 32)
        return int32_t(value);
    if (value & (uint32_t(1) << (bits - 1)))
        return int32_t(int64_t(value) - (int64_t(1) << bits));
    return int32_t(value);
}

}  // namespace

uint32_t ReadBits(const uint8_t* buffer, uint32_t bitPosition, uint32_t bitCount)
{
    if (bitCount > 32)
        bitCount = 32;
    uint32_t value = 0;
    for (uint32_t i = 0; i < bitCount; ++i) {
        const uint32_t k = bitPosition + i;
        const uint32_t bit = (buffer[k / 8] >> (7 - k % 8)) & 1u;
        value = (value << 1) | bit;
    }
    return value;
}

bool ReadSwfHeader(const QString& path, SwfHeaderInfo& info)
{
    const QFileInfo fi(path);
    if (path.isEmpty() || !fi.exists() || fi.isDir())
        return false;

    QFile file;  // closed by its destructor on every path
    if (!vx::openForReading(file, path))
        throw vx::CodecError("Cannot open " + path.toStdString() + ": " +
                             file.errorString().toStdString());
    if (file.size() <= 22)
        return false;

    uint8_t head[8] = {};
    if (file.read(reinterpret_cast<char*>(head), 8) != 8)
        return false;
    std::memcpy(info.signature, head, 3);
    info.version = head[3];
    info.fileLength = vx::readLe32(head + 4);

    uint8_t body[kBodySize] = {};
    bool ok = false;
    if (std::memcmp(info.signature, "CWS", 3) == 0 && info.version >= 6) {
        inflateBody(file, body);
        ok = true;
    } else {
        file.read(reinterpret_cast<char*>(body), kBodySize);  // short read leaves zeros
        ok = std::memcmp(info.signature, "FWS", 3) == 0;
    }
    if (!ok)
        return false;

    const uint32_t nbits = ReadBits(body, 0, 5);
    info.xmin = signExtend(ReadBits(body, 5, nbits), nbits);
    info.xmax = signExtend(ReadBits(body, 5 + nbits, nbits), nbits);
    info.ymin = signExtend(ReadBits(body, 5 + 2 * nbits, nbits), nbits);
    info.ymax = signExtend(ReadBits(body, 5 + 3 * nbits, nbits), nbits);
    const uint32_t p = (5 + 4 * nbits + 7) / 8;
    info.frameRateFraction = body[p];
    info.frameRateInteger = body[p + 1];
    info.frameCount = uint32_t(body[p + 2]) + 256u * body[p + 3];
    return true;
}

}  // namespace vx
