// The hive file parser on arbitrary bytes: what it reads, written back and
// read again, gives the same keys and values and skips no line.
#include "platform/HiveText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vx::HiveData first;
    (void)vx::parseHive(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), vx::Hive::CurrentUser, first);
    const QByteArray written = vx::formatHive(first, vx::Hive::CurrentUser);
    vx::HiveData second;
    if (!vx::parseHive(written, vx::Hive::CurrentUser, second).empty())
        std::abort();
    if (first.keys.size() != second.keys.size())
        std::abort();
    for (auto it = first.keys.constBegin(); it != first.keys.constEnd(); ++it) {
        const vx::RegistryKeyData* again = second.find(it.value().path);
        if (!again)
            std::abort();
        for (const QString& name : it.value().valueNames()) {
            const vx::RegistryValue* a = it.value().find(name);
            const vx::RegistryValue* b = again->find(name);
            if (!a || !b || !(*a == *b))
                std::abort();
        }
    }
    return 0;
}
