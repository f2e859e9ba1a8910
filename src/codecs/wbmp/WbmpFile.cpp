#include "codecs/wbmp/WbmpFile.h"

#include "codecs/Bitmap.h"
#include "codecs/DecodeCancel.h"
#include <QIODevice>
#include <cstring>

namespace vx {

namespace {

uint8_t readByte(QIODevice& in)
{
    char c;
    if (!in.getChar(&c))
        throw CodecError("WBMP header is truncated");
    return uint8_t(c);
}

void writeAll(QIODevice& out, const char* data, qint64 size)
{
    if (size > 0 && out.write(data, size) != size)
        throw CodecError("Cannot write WBMP data: " + out.errorString().toStdString());
}

}  // namespace

QByteArray encodeMultiByteInt(uint32_t value)
{
    char groups[5];
    int count = 0;
    do {
        groups[4 - count] = char(value & 0x7F);
        value >>= 7;
        ++count;
    } while (value != 0);
    QByteArray out(groups + 5 - count, count);
    for (int i = 0; i < count - 1; ++i)
        out[i] = char(out[i] | 0x80);
    return out;
}

uint32_t readMultiByteInt(QIODevice& in)
{
    uint64_t value = 0;
    while (true) {
        const uint8_t b = readByte(in);
        value = (value << 7) | (b & 0x7F);
        if (value > 0xFFFFFFFFu)
            throw CodecError("WBMP header value is too large");
        if (!(b & 0x80))
            return uint32_t(value);
    }
}

void WbmpFile::loadFromStream(QIODevice& in)
{
    const uint32_t type = readMultiByteInt(in);
    const uint32_t fixed = readMultiByteInt(in);
    const uint32_t w = readMultiByteInt(in);
    const uint32_t h = readMultiByteInt(in);
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu)
        throw CodecError("WBMP picture size is too large");
    std::vector<uint8_t> bytes;
    char chunk[65536];
    while (true) {
        checkCancelled();
        const qint64 got = in.read(chunk, sizeof chunk);
        if (got < 0)
            throw CodecError("Cannot read WBMP data: " + in.errorString().toStdString());
        if (got == 0)
            break;
        if (int64_t(bytes.size()) + got > kMaxWbmpBytes)
            throw CodecError("WBMP file is too large");
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    typeField = uint16_t(type);
    fixedHeader = uint16_t(fixed);
    width = int32_t(w);
    height = int32_t(h);
    bytes_ = std::move(bytes);
}

void WbmpFile::saveToStream(QIODevice& out) const
{
    QByteArray header = encodeMultiByteInt(typeField);
    header += encodeMultiByteInt(fixedHeader);
    header += encodeMultiByteInt(uint32_t(width));
    header += encodeMultiByteInt(uint32_t(height));
    writeAll(out, header.constData(), header.size());
    writeAll(out, reinterpret_cast<const char*>(bytes_.data()), qint64(bytes_.size()));
}

void WbmpFile::setPixelBytes(const uint8_t* data, size_t length)
{
    bytes_.assign(data, data + length);
}

void WbmpFile::copyPixelBytes(uint8_t* dest) const
{
    if (!bytes_.empty())
        std::memcpy(dest, bytes_.data(), bytes_.size());
}

void WbmpFile::assign(const WbmpFile& other)
{
    width = other.width;
    height = other.height;
    bytes_ = other.bytes_;
}

}  // namespace vx
