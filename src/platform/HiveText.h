// The text of one hive file: REGEDIT4 or "Windows Registry Editor Version
// 5.00" syntax (UTF-8, or UTF-16 LE with a byte order mark), parsed into keys
// and values and written back. Values of types the viewer doesn't use
// (hex:, hex(2):, hex(7):, ... with their continuation lines), comments and
// keys under other roots are kept as they were read and written back
// unchanged; a value the viewer changes is written anew. Lines that are not
// registry syntax are skipped and reported to the caller.
#pragma once

#include "platform/Registry.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <vector>

namespace vx {

struct RegistryEntry {
    QString name;         // value name, empty for the default value ("@")
    RegistryValue value;  // unused for comments
    QStringList raw;      // the lines as read; empty once the value is changed
    bool comment = false;
};

struct RegistryKeyData {
    QString path;  // as first written, without the root
    std::vector<RegistryEntry> entries;  // values and comments in file order

    const RegistryValue* find(const QString& name) const;
    void set(const QString& name, const RegistryValue& value);
    bool remove(const QString& name);
    QStringList valueNames() const;
    // Adds a value as read from a file (raw holds its lines).
    void add(RegistryEntry entry);

private:
    QHash<QString, size_t> index_;  // upper-case value name -> entries index
};

struct HiveData {
    // Keyed by the upper-case path, so lookups ignore letter case.
    QMap<QString, RegistryKeyData> keys;
    QString header = QStringLiteral("REGEDIT4");
    bool utf16 = false;  // written back as UTF-16 LE with a byte order mark
    QStringList preamble;               // comments before the first key
    std::vector<QStringList> foreign;   // keys under other roots, removals: as read

    static QString keyOf(const QString& path) { return path.toUpper(); }
    RegistryKeyData* find(const QString& path);
    const RegistryKeyData* find(const QString& path) const;
    // Creates the key and its missing parents.
    RegistryKeyData& create(const QString& path);
    // Removes the key and everything below it; false when it was absent.
    bool removeTree(const QString& path);
};

// Parses the file's bytes into out; returns the numbers (from 1) of the lines
// that were skipped because they are not registry syntax.
std::vector<int> parseHive(const QByteArray& bytes, Hive hive, HiveData& out);
QByteArray formatHive(const HiveData& data, Hive hive);

// "3, 5-9, 12" for a sorted list of line numbers.
QString lineRanges(const std::vector<int>& lines);

}  // namespace vx
