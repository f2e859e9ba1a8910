#include "platform/Registry.h"

#include "platform/HiveFile.h"

namespace vx {

bool RegistryKey::open(Hive hive, const QString& path, bool create)
{
    close();
    try {
        HiveData data = loadHive(hive);
        if (!data.find(path)) {
            if (!create)
                return false;
            data = updateHive(hive, [&](HiveData& d) { d.create(path); });
        }
        snapshot_ = std::make_shared<HiveData>(std::move(data));
    } catch (const RegistryError&) {
        return false;
    }
    hive_ = hive;
    path_ = path;
    open_ = true;
    return true;
}

void RegistryKey::close()
{
    open_ = false;
    snapshot_.reset();
}

std::optional<RegistryValue> RegistryKey::value(const QString& name) const
{
    if (!open_)
        return std::nullopt;
    const RegistryKeyData* key = snapshot_->find(path_);
    if (!key)
        return std::nullopt;
    const RegistryValue* v = key->find(name);
    if (!v)
        return std::nullopt;
    return *v;
}

bool RegistryKey::valueExists(const QString& name) const
{
    return value(name).has_value();
}

QString RegistryKey::readString(const QString& name) const
{
    auto v = value(name);
    if (!v)
        throw RegistryError("Registry value " + name.toStdString() + " does not exist");
    if (v->type != RegistryValue::Type::String)
        throw RegistryError("Registry value " + name.toStdString() + " is not a string");
    return v->text;
}

int32_t RegistryKey::readInteger(const QString& name) const
{
    auto v = value(name);
    if (!v)
        throw RegistryError("Registry value " + name.toStdString() + " does not exist");
    if (v->type != RegistryValue::Type::DWord)
        throw RegistryError("Registry value " + name.toStdString() + " is not a number");
    return int32_t(v->number);
}

bool RegistryKey::readBool(const QString& name) const
{
    return readInteger(name) != 0;
}

void RegistryKey::modify(const std::function<void(HiveData&)>& change)
{
    if (!open_)
        throw RegistryError("Registry key is not open");
    HiveData data = updateHive(hive_, [&](HiveData& d) { change(d); });
    snapshot_ = std::make_shared<HiveData>(std::move(data));
}

void RegistryKey::writeString(const QString& name, const QString& text)
{
    RegistryValue v;
    v.type = RegistryValue::Type::String;
    v.text = text;
    modify([&](HiveData& d) { d.create(path_).set(name, v); });
}

void RegistryKey::writeInteger(const QString& name, int32_t number)
{
    RegistryValue v;
    v.type = RegistryValue::Type::DWord;
    v.number = uint32_t(number);
    modify([&](HiveData& d) { d.create(path_).set(name, v); });
}

void RegistryKey::writeBool(const QString& name, bool on)
{
    writeInteger(name, on ? 1 : 0);
}

bool RegistryKey::deleteValue(const QString& name)
{
    bool existed = false;
    modify([&](HiveData& d) {
        if (RegistryKeyData* key = d.find(path_))
            existed = key->remove(name);
    });
    return existed;
}

QStringList RegistryKey::subKeyNames() const
{
    QStringList names;
    if (!open_)
        return names;
    const QString prefix = path_.isEmpty() ? QString() : HiveData::keyOf(path_) + QLatin1Char('\\');
    for (auto it = snapshot_->keys.constBegin(); it != snapshot_->keys.constEnd(); ++it) {
        if (it.key().isEmpty() || !it.key().startsWith(prefix) || it.key() == prefix)
            continue;
        const QString rest = it.value().path.mid(prefix.size());
        if (!rest.isEmpty() && !rest.contains(QLatin1Char('\\')))
            names << rest;
    }
    return names;
}

QStringList RegistryKey::valueNames() const
{
    QStringList names;
    if (!open_)
        return names;
    if (const RegistryKeyData* key = snapshot_->find(path_))
        names = key->valueNames();
    return names;
}

bool deleteRegistryKey(Hive hive, const QString& path)
{
    bool existed = false;
    try {
        if (!loadHive(hive).find(path))
            return false;
        updateHive(hive, [&](HiveData& d) { existed = d.removeTree(path); });
    } catch (const RegistryError&) {
        return false;
    }
    return existed;
}

bool registryKeyExists(Hive hive, const QString& path)
{
    try {
        return loadHive(hive).find(path) != nullptr;
    } catch (const RegistryError&) {
        return false;
    }
}

}  // namespace vx
