// Archives for the tests: written with libzip, or by hand where libzip
// would not write what the test needs.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <utility>
#include <zip.h>

namespace vxtest {

using Entries = QList<std::pair<QString, QByteArray>>;

inline bool writeZip(const QString& path, const Entries& entries, const QByteArray& comment = {})
{
    int err = 0;
    zip_t* z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!z)
        return false;
    for (const auto& [name, data] : entries) {
        void* copy = malloc(size_t(data.size() ? data.size() : 1));
        memcpy(copy, data.constData(), size_t(data.size()));
        zip_source_t* src = zip_source_buffer(z, copy, zip_uint64_t(data.size()), 1);
        if (zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(src);
            zip_discard(z);
            return false;
        }
    }
    if (!comment.isEmpty())
        zip_set_archive_comment(z, comment.constData(), zip_uint16_t(comment.size()));
    return zip_close(z) == 0;
}

inline void put16(QByteArray& b, int v)
{
    b.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
}

inline void put32(QByteArray& b, uint32_t v)
{
    put16(b, int(v & 0xFFFF));
    put16(b, int(v >> 16));
}

// One stored entry written by hand, with any name and any declared size.
inline QByteArray handMadeZip(const QByteArray& name, const QByteArray& data,
                              uint32_t declaredSize, uint32_t crc)
{
    QByteArray z;
    put32(z, 0x04034B50);
    put16(z, 20); put16(z, 0); put16(z, 0); put16(z, 0); put16(z, 0x21);
    put32(z, crc); put32(z, declaredSize); put32(z, declaredSize);
    put16(z, int(name.size())); put16(z, 0);
    z += name;
    z += data;
    const uint32_t cdStart = uint32_t(z.size());
    put32(z, 0x02014B50);
    put16(z, 0x0314); put16(z, 20); put16(z, 0); put16(z, 0); put16(z, 0); put16(z, 0x21);
    put32(z, crc); put32(z, declaredSize); put32(z, declaredSize);
    put16(z, int(name.size())); put16(z, 0); put16(z, 0); put16(z, 0); put16(z, 0);
    put32(z, 0100644u << 16); put32(z, 0);
    z += name;
    const uint32_t cdSize = uint32_t(z.size()) - cdStart;
    put32(z, 0x06054B50);
    put16(z, 0); put16(z, 0); put16(z, 1); put16(z, 1);
    put32(z, cdSize); put32(z, cdStart); put16(z, 0);
    return z;
}

inline QString writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace vxtest
