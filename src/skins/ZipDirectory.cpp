#include "skins/ZipDirectory.h"

#include "codecs/ByteReader.h"
#include "i18n/TextCodec.h"

#include <algorithm>

namespace vx {
namespace {

// Exactly n bytes at pos, or an empty array when the device has fewer.
QByteArray readAt(QIODevice& device, qint64 pos, qint64 n)
{
    if (pos < 0 || n < 0 || pos > device.size() || device.size() - pos < n || !device.seek(pos))
        return {};
    QByteArray bytes = device.read(n);
    return bytes.size() == n ? bytes : QByteArray();
}

const uint8_t* bytesOf(const QByteArray& a)
{
    return reinterpret_cast<const uint8_t*>(a.constData());
}

QString decodeName(const QByteArray& raw, bool oem, uint16_t flags)
{
    if (oem)
        return decodeCp437(raw);
    if (flags & 0x0800)
        return QString::fromUtf8(raw);
    return decodeText(raw);
}

ZipError notValid(const QString& path)
{
    return ZipError(QStringLiteral("\"%1\"\nis not a valid Zip file.").arg(path));
}

}  // namespace

uint16_t ZipEntry::flags() const { return readLe16(&header[8]); }
uint16_t ZipEntry::method() const { return readLe16(&header[10]); }
uint32_t ZipEntry::crc32() const { return readLe32(&header[16]); }
uint32_t ZipEntry::compressedSize() const { return readLe32(&header[20]); }
uint32_t ZipEntry::uncompressedSize() const { return readLe32(&header[24]); }
uint32_t ZipEntry::localHeaderOffset() const { return readLe32(&header[42]); }

uint16_t ZipDirectory::diskNumber() const { return readLe16(&endRecord[4]); }
uint16_t ZipDirectory::centralDirectoryDisk() const { return readLe16(&endRecord[6]); }
uint16_t ZipDirectory::totalEntries() const { return readLe16(&endRecord[10]); }
uint32_t ZipDirectory::centralDirectorySize() const { return readLe32(&endRecord[12]); }
uint32_t ZipDirectory::centralDirectoryOffset() const { return readLe32(&endRecord[16]); }

qint64 findEndRecord(QIODevice& device)
{
    const qint64 size = device.size();
    if (size < kEndRecordSize)
        return -1;
    const QByteArray last = readAt(device, size - kEndRecordSize, kEndRecordSize);
    if (last.size() == kEndRecordSize && readLe32(bytesOf(last)) == kEndRecordSignature)
        return size - kEndRecordSize;
    const qint64 span = std::min<qint64>(size, 65535);
    const QByteArray tail = readAt(device, size - span, span);
    if (tail.isEmpty())
        return -1;
    const uint8_t* p = bytesOf(tail);
    for (qint64 i = span - kEndRecordSize; i >= 0; --i) {
        if (p[i] == 0x50 && readLe32(p + i) == kEndRecordSignature)
            return size - span + i;
    }
    return -1;
}

ZipDirectory readZipDirectory(QIODevice& device, const QString& displayPath)
{
    ZipDirectory dir;
    const qint64 fileSize = device.size();
    dir.endRecordPosition = findEndRecord(device);
    if (dir.endRecordPosition < 0)
        throw notValid(displayPath);

    const QByteArray end = readAt(device, dir.endRecordPosition, kEndRecordSize);
    if (end.size() != kEndRecordSize)
        throw notValid(displayPath);
    std::copy_n(bytesOf(end), kEndRecordSize, dir.endRecord.begin());
    // Archives spread over several disks need the other disks' volume
    // labels, which this platform does not give: they are not readable here.
    if (dir.diskNumber() != 0 || dir.centralDirectoryDisk() != 0)
        throw notValid(displayPath);

    const uint16_t commentLength = readLe16(&dir.endRecord[20]);
    if (device.seek(dir.endRecordPosition + kEndRecordSize))
        dir.comment = decodeText(device.read(commentLength));

    const int total = dir.totalEntries();
    if (total == 0)
        return dir;

    qint64 pos = dir.endRecordPosition - qint64(dir.centralDirectorySize());
    qint64 smallestOffset = fileSize;
    for (int i = 0; i < total; ++i) {
        const QByteArray head = readAt(device, pos, kCentralHeaderSize);
        if (head.isEmpty() || readLe32(bytesOf(head)) != kCentralHeaderSignature)
            break;
        ZipEntry entry;
        std::copy_n(bytesOf(head), kCentralHeaderSize, entry.header.begin());
        if (i == 0) {
            const uint8_t version = entry.header[4];
            const uint8_t host = entry.header[5];
            dir.oemNames = host == 0 || host == 6 || (host == 11 && version == 50);
        }
        const uint16_t nameLength = readLe16(&entry.header[28]);
        const uint16_t extraLength = readLe16(&entry.header[30]);
        const uint16_t commentLen = readLe16(&entry.header[32]);
        pos += kCentralHeaderSize;
        const QByteArray name = readAt(device, pos, nameLength);
        const QByteArray extra = readAt(device, pos + nameLength, extraLength);
        const QByteArray comment = readAt(device, pos + nameLength + extraLength, commentLen);
        if (name.size() != nameLength || extra.size() != extraLength || comment.size() != commentLen)
            break;
        pos += qint64(nameLength) + extraLength + commentLen;
        entry.encrypted = entry.flags() & 1;
        entry.fileName = decodeName(name, dir.oemNames, entry.flags());
        entry.fileName.replace(u'\\', u'/');
        entry.extraField = extra;
        entry.comment = decodeName(comment, dir.oemNames, entry.flags());
        smallestOffset = std::min<qint64>(smallestOffset, entry.localHeaderOffset());
        dir.entries.append(std::move(entry));
    }
    if (dir.entries.size() != total) {
        dir.entries.clear();
        throw ZipError(QStringLiteral("Error reading CentralFileHeader."));
    }
    if (smallestOffset < fileSize) {
        const qint64 first = dir.endRecordPosition + smallestOffset -
                             qint64(dir.centralDirectoryOffset()) - qint64(dir.centralDirectorySize());
        dir.firstEntryOffset = uint32_t(first);
    }
    return dir;
}

}  // namespace vx
