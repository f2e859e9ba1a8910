#include "desktop/WallpaperSettings.h"

#include "settings/SettingsTable.h"

namespace vx {

namespace {

// The value of id, or its default written back when it is absent or of
// another type; nullopt when the key can't be opened (it is not created).
std::optional<StoredSetting> readOrDefault(SettingId id)
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, false))
        return std::nullopt;
    const SettingEntry& entry = settingEntry(id);
    if (auto value = readSetting(key, entry))
        return value;
    try {
        writeSettingDefault(key, entry);
    } catch (const RegistryError&) {
    }
    return settingDefault(entry);
}

std::optional<int> readNumber(SettingId id)
{
    const auto v = readOrDefault(id);
    return v ? std::optional<int>(v->number) : std::nullopt;
}

}  // namespace

std::optional<int> readWallpaperStyle()
{
    return readNumber(SettingId::SetWall);
}

FlashWallpaperSettings readFlashWallpaperSettings()
{
    // In the order the page uses them.
    FlashWallpaperSettings s;
    if (const auto colour = readOrDefault(SettingId::FlashBackColor))
        s.backColor = ColorRef(colour->number);
    s.fullScreen = readNumber(SettingId::FlashFullScr);
    s.autoPlay = readNumber(SettingId::FlashAutoPlay);
    s.transparent = readNumber(SettingId::FlashTransperent);
    s.quality = readNumber(SettingId::FlashWallQuality);
    return s;
}

}  // namespace vx
