#include "settings/SettingsTable.h"

#include <array>
#include <climits>

namespace vx {

namespace {

using T = SettingType;
constexpr int kAny = INT_MIN, kAll = INT_MAX;

// {id, name, type, has default, number, text, written when missing, minimum, maximum}
constexpr std::array<SettingEntry, 22> kSettings{{
    {SettingId::Skin, "Skin", T::String, false, 0, nullptr, false, 1, kAll},
    {SettingId::Language, "Language", T::String, true, 0, "Data/Languages/Russian.lng", false, 0, kAll},
    {SettingId::ButtonsVisible, "ButtonsVisible", T::String, true, 0, "111111111", true, 1, kAll},
    {SettingId::CurrentFileNameLabelVisible, "CurrentFileNameLabelVisible", T::Integer, true, 1, nullptr, true, kAny, kAll},
    {SettingId::CurrentFileNumberVisible, "CurrentFileNumberVisible", T::Integer, true, 1, nullptr, true, kAny, kAll},
    {SettingId::ImageScale, "ImageScale", T::Integer, true, 1, nullptr, true, 1, 3},
    {SettingId::FlashScale, "FlashScale", T::Integer, true, 1, nullptr, true, 1, 5},
    {SettingId::FlashQuality, "FlashQuality", T::Integer, true, 1, nullptr, true, 1, 3},
    {SettingId::FlashFSCommand, "FlashFSCommand", T::Boolean, true, 0, nullptr, true, kAny, kAll},
    {SettingId::BackColor, "BackColor", T::Colour, true, int(kDefaultBackColorRef), nullptr, false, kAny, kAll},
    {SettingId::FullScreen, "FullScreen", T::Boolean, true, 0, nullptr, true, kAny, kAll},
    {SettingId::FormWidth, "FormWidth", T::Integer, false, 0, nullptr, false, kAny, kAll},
    {SettingId::FormHeight, "FormHeight", T::Integer, false, 0, nullptr, false, kAny, kAll},
    {SettingId::FormTop, "FormTop", T::Integer, false, 0, nullptr, false, kAny, kAll},
    {SettingId::FormLeft, "FormLeft", T::Integer, false, 0, nullptr, false, kAny, kAll},
    // Read and written back by the start without a file, not by the walk.
    {SettingId::ShowStartLogo, "ShowStartLogo", T::Integer, true, 1, nullptr, false, 0, 1},
    // The wallpaper's values: defaults written by the dialog and the wallpaper command.
    {SettingId::SetWall, "SetWall", T::Integer, true, 3, nullptr, false, 1, 3},
    {SettingId::FlashFullScr, "FlashFullScr", T::Integer, true, 1, nullptr, false, 0, 1},
    {SettingId::FlashTransperent, "FlashTransperent", T::Integer, true, 1, nullptr, false, 0, 1},
    {SettingId::FlashAutoPlay, "FlashAutoPlay", T::Integer, true, 1, nullptr, false, 0, 1},
    {SettingId::FlashWallQuality, "FlashWallQuality", T::Integer, true, 2, nullptr, false, 0, 5},
    {SettingId::FlashBackColor, "FlashBackColor", T::Colour, true, 0x000000, nullptr, false, kAny, kAll},
}};

constexpr bool idsInOrder()
{
    for (size_t i = 0; i < kSettings.size(); ++i)
        if (size_t(kSettings[i].id) != i)
            return false;
    return true;
}
static_assert(idsInOrder(), "the table is indexed by SettingId");

}  // namespace

std::span<const SettingEntry> settingsTable()
{
    return kSettings;
}

const SettingEntry& settingEntry(SettingId id)
{
    return kSettings[size_t(id)];
}

std::optional<StoredSetting> readSetting(const RegistryKey& key, const SettingEntry& entry)
{
    const auto v = key.value(entry.valueName());
    if (!v)
        return std::nullopt;
    StoredSetting out;
    switch (entry.type) {
    case T::String:
        if (v->type != RegistryValue::Type::String || v->text.size() < entry.minimum)
            return std::nullopt;
        out.text = v->text;
        return out;
    case T::Integer:
    case T::Boolean:
        if (v->type != RegistryValue::Type::DWord)
            return std::nullopt;
        out.number = int32_t(v->number);
        return out;
    case T::Colour: {
        if (v->type != RegistryValue::Type::String)
            return std::nullopt;
        const auto colour = colorFromText(v->text);
        if (!colour)
            return std::nullopt;
        out.number = int(*colour);
        out.text = v->text;
        return out;
    }
    }
    return std::nullopt;
}

StoredSetting settingDefault(const SettingEntry& entry, const QString& programFolder)
{
    StoredSetting out;
    out.number = entry.defaultNumber;
    if (entry.defaultText) {
        out.text = QString::fromLatin1(entry.defaultText);
        if (out.text.contains(QLatin1Char('/')))
            out.text.prepend(programFolder);
    }
    return out;
}

void writeSetting(RegistryKey& key, const SettingEntry& entry, const StoredSetting& value)
{
    switch (entry.type) {
    case T::String: key.writeString(entry.valueName(), value.text); break;
    case T::Integer: key.writeInteger(entry.valueName(), value.number); break;
    case T::Boolean: key.writeBool(entry.valueName(), value.number != 0); break;
    case T::Colour: key.writeString(entry.valueName(), colorToText(ColorRef(value.number))); break;
    }
}

void writeSettingDefault(RegistryKey& key, const SettingEntry& entry, const QString& programFolder)
{
    writeSetting(key, entry, settingDefault(entry, programFolder));
}

bool storeSettingText(SettingId id, const QString& text)
{
    try {
        RegistryKey key;
        if (!key.open(kSettingsHive, kSettingsKeyPath, true))
            return false;
        StoredSetting value;
        value.text = text;
        writeSetting(key, settingEntry(id), value);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace vx
