#include "settings/ViewerSettings.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace vx {

std::array<bool, kToolbarButtonCount> parseButtonsVisible(const QString& text)
{
    std::array<bool, kToolbarButtonCount> visible{};
    for (int i = 0; i < kToolbarButtonCount; ++i)
        visible[size_t(i)] = i < text.size() && text[i] == QLatin1Char('1');
    return visible;
}

QString formatButtonsVisible(const std::array<bool, kToolbarButtonCount>& visible)
{
    QString text;
    for (bool on : visible)
        text += on ? QLatin1Char('1') : QLatin1Char('0');
    return text;
}

namespace {

// Writing a default back is best effort: start-up reports nothing.
void writeDefaultQuietly(RegistryKey& key, const SettingEntry& entry, const QString& programFolder)
{
    try {
        writeSettingDefault(key, entry, programFolder);
    } catch (const RegistryError&) {
    }
}

// The four stored window edges, gathered by the walk.
struct FormValues {
    std::optional<int> width, height, top, left;
};

// What one value read at start-up changes; value is nullopt when missing.
// Values outside the entry's range never get here.
void applyAtStartup(StartupSettings& s, FormValues& form, SettingId id, const std::optional<StoredSetting>& value)
{
    const int number = value ? value->number : 0;
    switch (id) {
    case SettingId::Skin:
        if (value && QFileInfo(value->text).isFile())
            s.skinPath = value->text;
        break;
    case SettingId::Language:
        if (value)
            s.languagePath = value->text;
        break;
    case SettingId::ButtonsVisible:
        if (value)
            s.buttonsVisible = parseButtonsVisible(value->text);
        break;
    case SettingId::CurrentFileNameLabelVisible:
        if (value)
            s.fileNameLabelVisible = number == 1;
        break;
    case SettingId::CurrentFileNumberVisible:
        // Missing: 1 is written, but the number stays off until the next start.
        if (value)
            s.fileNumberVisible = number == 1;
        break;
    case SettingId::ImageScale:
        s.imageScale = value ? number : settingEntry(id).defaultNumber;
        break;
    case SettingId::FlashScale:
        if (value) {
            s.flashScaleMode = std::min(number, 4) - 1;
            s.resizeWindowToMovie = number == 5;
        }
        break;
    case SettingId::FlashQuality:
        if (value)
            s.flashQuality = QStringList{"High", "Medium", "Low"}.at(number - 1);
        break;
    case SettingId::FlashFSCommand:
        s.showFsCommandMessage = number != 0;
        break;
    case SettingId::BackColor:
        if (value)
            s.backColor = ColorRef(number);
        break;
    case SettingId::FullScreen:
        s.fullScreen = number != 0;
        break;
    case SettingId::FormWidth: form.width = value ? std::optional(number) : std::nullopt; break;
    case SettingId::FormHeight: form.height = value ? std::optional(number) : std::nullopt; break;
    case SettingId::FormTop: form.top = value ? std::optional(number) : std::nullopt; break;
    case SettingId::FormLeft: form.left = value ? std::optional(number) : std::nullopt; break;
    default:
        break;  // not read at start-up
    }
}

// The walk of readStartupSettings; without writing, a key that does not
// exist yet reads as every value missing, as the first start will find it.
StartupSettings walkStartupSettings(const QString& programFolder, bool writeDefaults)
{
    StartupSettings s;
    s.languagePath = settingDefault(settingEntry(SettingId::Language), programFolder).text;
    // The defaults written below reach the file in one write.
    RegistryBatch batch;
    RegistryKey key;
    s.keyOpened = key.open(kSettingsHive, kSettingsKeyPath, writeDefaults);
    if (!s.keyOpened && writeDefaults)
        return s;

    FormValues form;
    for (const SettingEntry& entry : settingsTable()) {
        const std::optional<StoredSetting> value = s.keyOpened ? readSetting(key, entry) : std::nullopt;
        if (!value && entry.writtenWhenMissing && writeDefaults)
            writeDefaultQuietly(key, entry, programFolder);
        if (value && entry.type == SettingType::Integer && !entry.inRange(value->number))
            continue;  // a number that means nothing is ignored
        applyAtStartup(s, form, entry.id, value);
    }
    if (!s.fullScreen && form.width && form.height && form.top && form.left)
        s.formBounds = QRect(*form.left, *form.top, *form.width, *form.height);
    return s;
}

}  // namespace

StartupSettings readStartupSettings(const QString& programFolder)
{
    return walkStartupSettings(programFolder, true);
}

StartView readStartView()
{
    const StartupSettings s = walkStartupSettings(QString(), false);
    if (s.fullScreen)
        return {};
    return {s.imageScale, s.formBounds ? s.formBounds->size() : defaultWindowBounds(QRect()).size()};
}

QRect defaultWindowBounds(const QRect& workArea)
{
    // Integer halves of the work area's right and bottom edges (exclusive).
    const int right = workArea.x() + workArea.width();
    const int bottom = workArea.y() + workArea.height();
    return QRect(right / 2 - 200, bottom / 2 - 200, 400, 400);
}

bool startLogoWanted()
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return false;
    const SettingEntry& entry = settingEntry(SettingId::ShowStartLogo);
    if (!key.valueExists(entry.valueName())) {
        writeDefaultQuietly(key, entry, QString());
        return entry.defaultNumber == 1;
    }
    const std::optional<StoredSetting> value = readSetting(key, entry);
    return value && value->number == 1;
}

void disableStartLogo()
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return;
    try {
        writeSetting(key, settingEntry(SettingId::ShowStartLogo), StoredSetting{0, QString()});
    } catch (const RegistryError&) {
    }
}

bool writeShutdownSettings(const QRect& bounds, bool fullScreen, ColorRef backColor)
{
    RegistryBatch batch;
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return false;
    try {
        const std::pair<SettingId, int> values[] = {
            {SettingId::FormWidth, bounds.width()}, {SettingId::FormHeight, bounds.height()},
            {SettingId::FormLeft, bounds.left()},   {SettingId::FormTop, bounds.top()},
            {SettingId::FullScreen, fullScreen},    {SettingId::BackColor, int(backColor)},
        };
        for (const auto& [id, number] : values)
            writeSetting(key, settingEntry(id), StoredSetting{number, QString()});
        batch.commit();
    } catch (const RegistryError&) {
        return false;
    }
    return true;
}

}  // namespace vx
