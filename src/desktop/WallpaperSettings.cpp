#include "desktop/WallpaperSettings.h"

#include "settings/ViewerSettings.h"

namespace vx {

namespace {

// The number of name, or its default written back when it is absent or not
// a number; nullopt when the key can't be opened.
std::optional<int> readNumber(const QString& name, int defaultValue)
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, false))
        return std::nullopt;
    const auto v = key.value(name);
    if (v && v->type == RegistryValue::Type::DWord)
        return int32_t(v->number);
    try {
        key.writeInteger(name, defaultValue);
    } catch (const RegistryError&) {
    }
    return defaultValue;
}

std::optional<ColorRef> readColor(const QString& name, const QString& defaultText)
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, false))
        return std::nullopt;
    if (const auto v = key.value(name); v && v->type == RegistryValue::Type::String)
        if (const auto color = colorFromText(v->text))
            return color;
    try {
        key.writeString(name, defaultText);
    } catch (const RegistryError&) {
    }
    return colorFromText(defaultText);
}

}  // namespace

std::optional<int> readWallpaperStyle()
{
    return readNumber(setting::SetWall, 3);
}

FlashWallpaperSettings readFlashWallpaperSettings()
{
    // In the order the page uses them.
    FlashWallpaperSettings s;
    s.backColor = readColor(setting::FlashBackColor, QStringLiteral("clBlack"));
    s.fullScreen = readNumber(setting::FlashFullScr, 1);
    s.autoPlay = readNumber(setting::FlashAutoPlay, 1);
    s.transparent = readNumber(setting::FlashTransperent, 1);
    s.quality = readNumber(setting::FlashWallQuality, 2);
    return s;
}

}  // namespace vx
