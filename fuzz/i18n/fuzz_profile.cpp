// The profile reader on arbitrary bytes: parse, look up, list keys.
#include "i18n/LanguageTable.h"
#include "i18n/ProfileFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vx::ProfileFile p;
    p.parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    for (const char* section : {"Info", "Author", "Main", "Messages", "SetHot"}) {
        const QString s = QString::fromLatin1(section);
        for (const QString& key : p.keys(s))
            (void)p.value(s, key, QString());
        for (int k = 1; k <= 24; ++k)
            (void)p.value(s, QString::number(k), QStringLiteral("d"));
    }
    return 0;
}
