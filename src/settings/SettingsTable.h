// The one table of the viewer's stored settings: every value of the
// settings key with its type, default, whether start-up writes the default
// back when the value is missing, and the range of values that mean
// something. Start-up, shutdown, the language and skin code and the
// settings dialog all take names and defaults from here.
//
// To add a setting, add one entry to SettingId and one row to the table in
// SettingsTable.cpp (and, when start-up applies it, a StartupSettings field
// and its apply step in ViewerSettings.cpp).
#pragma once

#include "settings/ColorText.h"
#include "settings/SettingsKey.h"

#include <QString>
#include <optional>
#include <span>

namespace vx {

inline constexpr ColorRef kDefaultBackColorRef = 0x141414;

// In the order start-up reads them.
enum class SettingId {
    Skin,
    Language,
    ButtonsVisible,
    CurrentFileNameLabelVisible,
    CurrentFileNumberVisible,
    ImageScale,
    FlashScale,
    FlashQuality,
    FlashFSCommand,
    BackColor,
    FullScreen,
    FormWidth,
    FormHeight,
    FormTop,
    FormLeft,
    ShowStartLogo,
    SetWall,
    FlashFullScr,
    FlashTransperent,
    FlashAutoPlay,
    FlashWallQuality,
    FlashBackColor,
};

enum class SettingType {
    String,   // a registry string
    Integer,  // a 32-bit registry number
    Boolean,  // a number: 1 written for true; any non-zero number reads as true
    Colour,   // a string holding colour text (ColorText.h)
};

struct SettingEntry {
    SettingId id;
    const char* name;  // the value name, spelled as stored
    SettingType type;
    bool hasDefault;
    int defaultNumber;        // Integer, Boolean, Colour (0x00BBGGRR)
    const char* defaultText;  // String: the text; relative paths are below the program folder
    bool writtenWhenMissing;  // start-up writes the default where the value is missing
    // Integers: the numbers that mean something, inclusive. Strings: the
    // shortest text that counts (1: an empty text counts as missing).
    int minimum;
    int maximum;

    QString valueName() const { return QString::fromLatin1(name); }
    bool inRange(int number) const { return number >= minimum && number <= maximum; }
};

std::span<const SettingEntry> settingsTable();
const SettingEntry& settingEntry(SettingId id);
inline QString settingName(SettingId id) { return settingEntry(id).valueName(); }

// A value as read from the key: present and of the entry's type (a colour
// that parses), else nullopt. Number holds Integer, Boolean and Colour values.
struct StoredSetting {
    int number = 0;
    QString text;
};
std::optional<StoredSetting> readSetting(const RegistryKey& key, const SettingEntry& entry);

// Writes value (or the entry's default) in the entry's type; throws RegistryError.
void writeSetting(RegistryKey& key, const SettingEntry& entry, const StoredSetting& value);
void writeSettingDefault(RegistryKey& key, const SettingEntry& entry, const QString& programFolder = QString());

// The default as a stored value; string defaults that are relative paths
// are put below programFolder (which ends with a separator).
StoredSetting settingDefault(const SettingEntry& entry, const QString& programFolder = QString());

// Writes one string value to the settings key, creating the key; false when
// it can't be opened or written. For the language and skin code, which keep
// one value each.
bool storeSettingText(SettingId id, const QString& text);

}  // namespace vx
