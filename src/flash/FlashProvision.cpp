#include "flash/FlashProvision.h"

#include "platform/Registry.h"

#include <QFileInfo>
#include <QStringList>

namespace vx {

namespace {

ControlVersion g_registered;

}  // namespace

bool ControlVersion::isUnknown() const
{
    for (int32_t p : parts)
        if (p == -1)
            return true;
    return false;
}

ControlVersion RegisteredControlVersion()
{
    return g_registered;
}

QString FormatControlVersion(const ControlVersion& version)
{
    if (version.isUnknown())
        return QStringLiteral("undefined");
    return QStringLiteral("%1.%2.%3.%4")
        .arg(version.parts[0])
        .arg(version.parts[1])
        .arg(version.parts[2])
        .arg(version.parts[3]);
}

ControlVersion parseControlVersion(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    ControlVersion v;
    if (parts.size() != 4)
        return v;
    ControlVersion parsed;
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int n = parts[i].toInt(&ok);
        if (!ok || n < 0 || n > 0xFFFF)
            return v;
        parsed.parts[size_t(i)] = n;
    }
    return parsed;
}

bool ProvisionFlashControl(const QString& programPath)
{
    g_registered = ControlVersion{};
    {
        RegistryKey key;
        if (key.open(Hive::ClassesRoot, kFlashServerKey, false)) {
            auto path = key.value(QString());
            auto version = key.value(QStringLiteral("Version"));
            if (path && path->type == RegistryValue::Type::String && !path->text.isEmpty()
                && QFileInfo::exists(path->text) && version && version->type == RegistryValue::Type::String)
                g_registered = parseControlVersion(version->text);
        }
    }
    if (g_registered == EmbeddedControlVersion)
        return true;
    RegistryKey key;
    if (!key.open(Hive::ClassesRoot, kFlashServerKey, true))
        return false;
    try {
        key.writeString(QString(), programPath);
        key.writeString(QStringLiteral("Version"), FormatControlVersion(EmbeddedControlVersion));
        key.writeString(QStringLiteral("ThreadingModel"), QStringLiteral("Apartment"));
    } catch (const RegistryError&) {
        return false;
    }
    return true;
}

}  // namespace vx
