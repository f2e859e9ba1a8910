// Archives for the tests: written with libzip, or by hand where libzip
// would not write what the test needs.
#pragma once

#include "support/ByteBuilder.h"

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

// One stored entry written by hand, with any name and any declared size.
inline QByteArray handMadeZip(const QByteArray& name, const QByteArray& data,
                              uint32_t declaredSize, uint32_t crc)
{
    const std::string nameBytes = name.toStdString();
    const uint16_t nameSize = uint16_t(name.size());
    Bytes z;
    z.u32le(0x04034B50).u16le(20).u16le(0).u16le(0).u16le(0).u16le(0x21);
    z.u32le(crc).u32le(declaredSize).u32le(declaredSize).u16le(nameSize).u16le(0);
    z.str(nameBytes).str(data.toStdString());
    const uint32_t cdStart = uint32_t(z.size());
    z.u32le(0x02014B50).u16le(0x0314).u16le(20).u16le(0).u16le(0).u16le(0).u16le(0x21);
    z.u32le(crc).u32le(declaredSize).u32le(declaredSize);
    z.u16le(nameSize).u16le(0).u16le(0).u16le(0).u16le(0);
    z.u32le(0100644u << 16).u32le(0);
    z.str(nameBytes);
    const uint32_t cdSize = uint32_t(z.size()) - cdStart;
    z.u32le(0x06054B50).u16le(0).u16le(0).u16le(1).u16le(1).u32le(cdSize).u32le(cdStart).u16le(0);
    return z.toQByteArray();
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
