// Reading and writing one hive file in REGEDIT4 syntax, and the locked,
// atomic read-modify-write cycle the registry keys use.
#pragma once

#include "platform/Registry.h"

#include <QMap>
#include <QString>
#include <utility>
#include <vector>

namespace vx {

struct RegistryKeyData {
    QString path;  // as first written, without the root
    std::vector<std::pair<QString, RegistryValue>> values;  // in insertion order

    const RegistryValue* find(const QString& name) const;
    void set(const QString& name, const RegistryValue& value);
    bool remove(const QString& name);
};

struct HiveData {
    // Keyed by the upper-case path, so lookups ignore letter case.
    QMap<QString, RegistryKeyData> keys;

    static QString keyOf(const QString& path) { return path.toUpper(); }
    RegistryKeyData* find(const QString& path);
    const RegistryKeyData* find(const QString& path) const;
    // Creates the key and its missing parents.
    RegistryKeyData& create(const QString& path);
    // Removes the key and everything below it; false when it was absent.
    bool removeTree(const QString& path);
};

// Parses REGEDIT4 text; returns false on anything it cannot read.
bool parseHive(const QByteArray& text, Hive hive, HiveData& out);
QByteArray formatHive(const HiveData& data, Hive hive);

// Path of the hive's file.
QString hiveFilePath(Hive hive);

// Reads the hive (an unreadable file is moved aside under the lock and the
// hive starts empty). Throws RegistryError when the folder is unusable.
HiveData loadHive(Hive hive);

// Locks the hive, reads it afresh, applies change and replaces the file
// atomically. Returns the data as written. Throws RegistryError on failure.
HiveData updateHive(Hive hive, const std::function<void(HiveData&)>& change);

}  // namespace vx
