// The registry hives the viewer uses (HKLM, HKCU, HKCR), kept as REGEDIT4
// text files under $XDG_CONFIG_HOME/vextrel-viewer/. Keys are compared
// without letter case; values are REG_SZ strings or REG_DWORD numbers; the
// empty value name is the key's default value ("@" in the file). Values of
// other types found in a file are kept and written back as they were.
//
// A RegistryKey reads its hive when it is opened and sees that snapshot.
// Every change locks the hive file, reads it again, applies the change and
// replaces the file atomically, so concurrent writers never lose each
// other's values; inside a RegistryBatch the changes are gathered and written
// once. Lines of a hive file that are not registry syntax are skipped (the
// file as it was is kept beside it); every other value is read.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace vx {

struct HiveData;

enum class Hive { LocalMachine, CurrentUser, ClassesRoot };

class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RegistryValue {
    // Other: a type the viewer doesn't use (hex:, hex(2):, ...), kept as written.
    enum class Type { String, DWord, Other };
    Type type = Type::String;
    QString text;     // String; for Other the data as written after "="
    uint32_t number = 0;  // DWord
    bool operator==(const RegistryValue&) const = default;
};

// While one lives, registry changes of this thread are gathered (and seen by
// keys opened meanwhile) and written by commit() with one locked write per
// hive. commit() throws RegistryError when a hive cannot be written; the
// destructor commits what is left without reporting.
class RegistryBatch {
public:
    RegistryBatch();
    ~RegistryBatch();
    RegistryBatch(const RegistryBatch&) = delete;
    RegistryBatch& operator=(const RegistryBatch&) = delete;
    void commit();

private:
    bool committed_ = false;
};

class RegistryKey {
public:
    RegistryKey() = default;

    // Opens hive\path; with create, missing keys are created (and written).
    // Returns false when the key does not exist (without create) or the hive
    // cannot be read or written.
    bool open(Hive hive, const QString& path, bool create);
    void close();
    bool isOpen() const { return open_; }

    bool valueExists(const QString& name) const;
    std::optional<RegistryValue> value(const QString& name) const;

    // Reads fail with RegistryError when the value is missing or of another type.
    QString readString(const QString& name) const;
    int32_t readInteger(const QString& name) const;
    bool readBool(const QString& name) const;

    // Writes fail with RegistryError when the hive cannot be written.
    void writeString(const QString& name, const QString& text);
    void writeInteger(const QString& name, int32_t number);
    void writeBool(const QString& name, bool on);
    // Returns whether the value existed.
    bool deleteValue(const QString& name);

    // Names of the direct sub-keys and of the values, as stored.
    QStringList subKeyNames() const;
    QStringList valueNames() const;

private:
    void modify(const std::function<void(struct HiveData&)>& change);
    Hive hive_ = Hive::LocalMachine;
    QString path_;
    bool open_ = false;
    std::shared_ptr<struct HiveData> snapshot_;
};

// Deletes hive\path with all its sub-keys; false when it did not exist or
// the hive cannot be written.
bool deleteRegistryKey(Hive hive, const QString& path);

// True when hive\path exists.
bool registryKeyExists(Hive hive, const QString& path);

// Root name as written in the files: "HKEY_LOCAL_MACHINE" and so on.
QString hiveRootName(Hive hive);

// Folder holding the hive files: $XDG_CONFIG_HOME/vextrel-viewer (or ~/.config/...).
QString registryFolder();

}  // namespace vx
