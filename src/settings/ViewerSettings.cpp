#include "settings/ViewerSettings.h"

#include <QFileInfo>

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

std::optional<int32_t> readInt(const RegistryKey& key, const QString& name)
{
    auto v = key.value(name);
    if (!v || v->type != RegistryValue::Type::DWord)
        return std::nullopt;
    return int32_t(v->number);
}

std::optional<QString> readText(const RegistryKey& key, const QString& name)
{
    auto v = key.value(name);
    if (!v || v->type != RegistryValue::Type::String)
        return std::nullopt;
    return v->text;
}

// Writing a default back is best effort: start-up reports nothing.
void writeIntQuietly(RegistryKey& key, const QString& name, int32_t value)
{
    try {
        key.writeInteger(name, value);
    } catch (const RegistryError&) {
    }
}

void writeTextQuietly(RegistryKey& key, const QString& name, const QString& value)
{
    try {
        key.writeString(name, value);
    } catch (const RegistryError&) {
    }
}

}  // namespace

StartupSettings readStartupSettings(const QString& programFolder)
{
    StartupSettings s;
    s.languagePath = programFolder + QStringLiteral("Data/Languages/Russian.lng");
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return s;
    s.keyOpened = true;

    if (auto skin = readText(key, setting::Skin); skin && !skin->isEmpty() && QFileInfo(*skin).isFile())
        s.skinPath = *skin;

    if (auto lang = readText(key, setting::Language))
        s.languagePath = *lang;

    auto buttons = readText(key, setting::ButtonsVisible);
    if (!buttons || buttons->isEmpty())
        writeTextQuietly(key, setting::ButtonsVisible, kAllButtonsVisible);
    else
        s.buttonsVisible = parseButtonsVisible(*buttons);

    if (auto v = readInt(key, setting::CurrentFileNameLabelVisible))
        s.fileNameLabelVisible = *v == 1;
    else
        writeIntQuietly(key, setting::CurrentFileNameLabelVisible, 1);

    // Absent: 1 is written, but the number stays off until the next start.
    if (auto v = readInt(key, setting::CurrentFileNumberVisible))
        s.fileNumberVisible = *v == 1;
    else
        writeIntQuietly(key, setting::CurrentFileNumberVisible, 1);

    if (auto v = readInt(key, setting::ImageScale)) {
        if (*v >= 1 && *v <= 3)
            s.imageScale = *v;
    } else {
        writeIntQuietly(key, setting::ImageScale, 1);
        s.imageScale = 1;
    }

    if (auto v = readInt(key, setting::FlashScale)) {
        if (*v >= 1 && *v <= 4)
            s.flashScaleMode = *v - 1;
        else if (*v == 5) {
            s.flashScaleMode = 3;
            s.resizeWindowToMovie = true;
        }
    } else {
        writeIntQuietly(key, setting::FlashScale, 1);
    }

    if (auto v = readInt(key, setting::FlashQuality)) {
        if (*v == 1)
            s.flashQuality = QStringLiteral("High");
        else if (*v == 2)
            s.flashQuality = QStringLiteral("Medium");
        else if (*v == 3)
            s.flashQuality = QStringLiteral("Low");
    } else {
        writeIntQuietly(key, setting::FlashQuality, 1);
    }

    if (auto v = readInt(key, setting::FlashFSCommand))
        s.showFsCommandMessage = *v != 0;
    else
        writeIntQuietly(key, setting::FlashFSCommand, 0);

    if (auto text = readText(key, setting::BackColor))
        if (auto color = colorFromText(*text))
            s.backColor = *color;

    if (auto v = readInt(key, setting::FullScreen)) {
        s.fullScreen = *v != 0;
    } else {
        writeIntQuietly(key, setting::FullScreen, 0);
    }

    if (!s.fullScreen) {
        auto w = readInt(key, setting::FormWidth), h = readInt(key, setting::FormHeight);
        auto t = readInt(key, setting::FormTop), l = readInt(key, setting::FormLeft);
        if (w && h && t && l)
            s.formBounds = QRect(*l, *t, *w, *h);
    }
    return s;
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
    auto v = readInt(key, setting::ShowStartLogo);
    if (!key.valueExists(setting::ShowStartLogo)) {
        writeIntQuietly(key, setting::ShowStartLogo, 1);
        v = 1;
    }
    return v && *v == 1;
}

void disableStartLogo()
{
    RegistryKey key;
    if (key.open(kSettingsHive, kSettingsKeyPath, true))
        writeIntQuietly(key, setting::ShowStartLogo, 0);
}

bool writeShutdownSettings(const QRect& bounds, bool fullScreen, ColorRef backColor)
{
    RegistryKey key;
    if (!key.open(kSettingsHive, kSettingsKeyPath, true))
        return false;
    try {
        key.writeInteger(setting::FormWidth, bounds.width());
        key.writeInteger(setting::FormHeight, bounds.height());
        key.writeInteger(setting::FormLeft, bounds.left());
        key.writeInteger(setting::FormTop, bounds.top());
        key.writeBool(setting::FullScreen, fullScreen);
        key.writeString(setting::BackColor, colorToText(backColor));
    } catch (const RegistryError&) {
        return false;
    }
    return true;
}

}  // namespace vx
