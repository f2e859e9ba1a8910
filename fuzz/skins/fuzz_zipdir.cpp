// The zip central directory reader on arbitrary bytes, from memory.
#include "skins/ZipDirectory.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    try {
        const vx::ZipDirectory dir = vx::readZipDirectory(buffer, QStringLiteral("fuzz.zip"));
        for (const auto& e : dir.entries)
            (void)e.localHeaderOffset();
    } catch (const vx::ZipError&) {
    }
    return 0;
}
