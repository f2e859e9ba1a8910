#include "settings/ColorText.h"
#include "settings/ViewerSettings.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QPalette>
#include <gtest/gtest.h>

using namespace vx;

namespace {

RegistryKey settingsKey()
{
    RegistryKey key;
    EXPECT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, true));
    return key;
}

}  // namespace

TEST(ColorText, NamesHexAndDecimal)
{
    EXPECT_EQ(colorToText(0x0000FF), QStringLiteral("clRed"));
    EXPECT_EQ(colorToText(0xF0CAA6), QStringLiteral("clSkyBlue"));
    EXPECT_EQ(colorToText(0x141414), QStringLiteral("$00141414"));
    EXPECT_EQ(colorToText(0xABCDEF), QStringLiteral("$00ABCDEF"));

    EXPECT_EQ(colorFromText(QStringLiteral("clRed")), 0x0000FFu);
    EXPECT_EQ(colorFromText(QStringLiteral("$000000FF")), 0x0000FFu);
    EXPECT_EQ(colorFromText(QStringLiteral("0x00ff00")), 0x00FF00u);
    EXPECT_EQ(colorFromText(QStringLiteral("255")), 0x0000FFu);
    EXPECT_EQ(colorFromText(QStringLiteral("clMedGray")), 0xA4A0A0u);

    for (const char* bad : {"red", "", "$", "0x", "12ab", "$-1", "$1FFFFFFFF", " clRed"})
        EXPECT_FALSE(colorFromText(QLatin1String(bad)).has_value()) << bad;
}

TEST(ColorText, SystemColourNamesFollowThePlatformPalette)
{
    int argc = 1;
    char arg0[] = "test";
    char* argv[] = {arg0};
    QGuiApplication app(argc, argv);
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Base, QColor(200, 100, 50));
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(colorFromText(QStringLiteral("clBtnFace")), 0x030201u);
    EXPECT_EQ(colorFromText(QStringLiteral("clWindow")), 0x3264C8u);
}

TEST(ButtonsVisible, AnyLengthAndAnyCharacter)
{
    auto v = parseButtonsVisible(QStringLiteral("101"));
    EXPECT_TRUE(v[0]);
    EXPECT_FALSE(v[1]);
    EXPECT_TRUE(v[2]);
    for (int i = 3; i < 9; ++i)
        EXPECT_FALSE(v[size_t(i)]);
    EXPECT_EQ(formatButtonsVisible(parseButtonsVisible(QStringLiteral("1x1111111111111"))),
              QStringLiteral("101111111"));
    EXPECT_EQ(formatButtonsVisible(parseButtonsVisible(QString())), QStringLiteral("000000000"));
}

TEST(StartupSettings, FirstStartWritesTheDefaults)
{
    TempHome home;
    const StartupSettings s = readStartupSettings(QStringLiteral("/opt/vv/"));
    EXPECT_TRUE(s.keyOpened);
    EXPECT_TRUE(s.skinPath.isEmpty());
    EXPECT_EQ(s.languagePath, QStringLiteral("/opt/vv/Data/Languages/Russian.lng"));
    EXPECT_EQ(s.imageScale, 1);
    EXPECT_FALSE(s.fileNumberVisible);  // written as 1, shown from the next start
    EXPECT_TRUE(s.fileNameLabelVisible);
    EXPECT_FALSE(s.flashScaleMode.has_value());
    EXPECT_FALSE(s.fullScreen);
    EXPECT_FALSE(s.formBounds.has_value());
    EXPECT_EQ(s.backColor, kDefaultBackColor);

    RegistryKey key = settingsKey();
    EXPECT_EQ(key.readString(setting::ButtonsVisible), kAllButtonsVisible);
    EXPECT_EQ(key.readInteger(setting::CurrentFileNameLabelVisible), 1);
    EXPECT_EQ(key.readInteger(setting::CurrentFileNumberVisible), 1);
    EXPECT_EQ(key.readInteger(setting::ImageScale), 1);
    EXPECT_EQ(key.readInteger(setting::FlashScale), 1);
    EXPECT_EQ(key.readInteger(setting::FlashQuality), 1);
    EXPECT_EQ(key.readInteger(setting::FlashFSCommand), 0);
    EXPECT_EQ(key.readInteger(setting::FullScreen), 0);
    EXPECT_FALSE(key.valueExists(setting::BackColor));
    EXPECT_FALSE(key.valueExists(setting::FormWidth));

    const StartupSettings second = readStartupSettings(QStringLiteral("/opt/vv/"));
    EXPECT_TRUE(second.fileNumberVisible);
}

TEST(StartupSettings, StoredValuesAndInvalidOnes)
{
    TempHome home;
    {
        RegistryKey key = settingsKey();
        key.writeString(setting::ButtonsVisible, QStringLiteral("101"));
        key.writeInteger(setting::CurrentFileNameLabelVisible, 2);
        key.writeInteger(setting::ImageScale, 7);
        key.writeInteger(setting::FlashScale, 5);
        key.writeInteger(setting::FlashQuality, 3);
        key.writeInteger(setting::FlashFSCommand, 9);
        key.writeString(setting::BackColor, QStringLiteral("red"));
        key.writeString(setting::Skin, QStringLiteral("/nonexistent/skin.vxskin"));
        key.writeString(setting::Language, QStringLiteral("/l/English.lng"));
        key.writeInteger(setting::FormWidth, 500);
        key.writeInteger(setting::FormHeight, 300);
        key.writeInteger(setting::FormLeft, -20);
        key.writeInteger(setting::FormTop, 40);
    }
    const StartupSettings s = readStartupSettings(QStringLiteral("/opt/vv/"));
    EXPECT_EQ(formatButtonsVisible(s.buttonsVisible), QStringLiteral("101000000"));
    EXPECT_FALSE(s.fileNameLabelVisible);
    EXPECT_EQ(s.imageScale, 0);
    EXPECT_EQ(s.flashScaleMode, 3);
    EXPECT_TRUE(s.resizeWindowToMovie);
    EXPECT_EQ(s.flashQuality, QStringLiteral("Low"));
    EXPECT_TRUE(s.showFsCommandMessage);
    EXPECT_EQ(s.backColor, kDefaultBackColor);
    EXPECT_TRUE(s.skinPath.isEmpty());
    EXPECT_EQ(s.languagePath, QStringLiteral("/l/English.lng"));
    EXPECT_EQ(s.formBounds, QRect(-20, 40, 500, 300));

    RegistryKey key = settingsKey();
    EXPECT_EQ(key.readInteger(setting::ImageScale), 7);  // not written back
    EXPECT_EQ(key.readString(setting::Skin), QStringLiteral("/nonexistent/skin.vxskin"));
    EXPECT_EQ(key.readString(setting::ButtonsVisible), QStringLiteral("101"));
}

TEST(StartupSettings, WrongTypesCountAsAbsentAndStoredColourIsUsed)
{
    TempHome home;
    {
        RegistryKey key = settingsKey();
        key.writeString(setting::ImageScale, QStringLiteral("2"));
        key.writeString(setting::BackColor, QStringLiteral("$000000FF"));
        key.writeInteger(setting::FullScreen, 1);
        key.writeInteger(setting::FormWidth, 500);  // ignored in full-screen mode
    }
    const StartupSettings s = readStartupSettings(QStringLiteral("/p/"));
    EXPECT_EQ(s.imageScale, 1);
    EXPECT_EQ(s.backColor, 0x0000FFu);
    EXPECT_TRUE(s.fullScreen);
    EXPECT_FALSE(s.formBounds.has_value());
    RegistryKey key = settingsKey();
    EXPECT_EQ(key.readInteger(setting::ImageScale), 1);
}

TEST(StartupSettings, TheStartViewIsReadWithoutWritingAnything)
{
    TempHome home;
    // First start: the defaults the start will write, and nothing written yet.
    StartView view = readStartView();
    EXPECT_EQ(view.imageScale, FitBigImages);
    EXPECT_EQ(view.window, QSize(400, 400));
    EXPECT_FALSE(RegistryKey().open(kSettingsHive, kSettingsKeyPath, false));

    {
        RegistryKey key = settingsKey();
        key.writeInteger(setting::ImageScale, 3);
        key.writeInteger(setting::FormWidth, 900);
        key.writeInteger(setting::FormHeight, 700);
        key.writeInteger(setting::FormLeft, 10);
        key.writeInteger(setting::FormTop, 10);
    }
    view = readStartView();
    EXPECT_EQ(view.imageScale, OriginalSize);
    EXPECT_EQ(view.window, QSize(900, 700));
    settingsKey().writeInteger(setting::FullScreen, 1);
    EXPECT_TRUE(readStartView().window.isEmpty());
    EXPECT_FALSE(settingsKey().valueExists(setting::ButtonsVisible)) << "no default written";
}

TEST(StartupSettings, UnusableStoreGivesDesignState)
{
    TempHome home;
    // A file where the registry folder should be: nothing can be opened.
    QFile blocker(registryFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const StartupSettings s = readStartupSettings(QStringLiteral("/p/"));
    EXPECT_FALSE(s.keyOpened);
    EXPECT_EQ(s.languagePath, QStringLiteral("/p/Data/Languages/Russian.lng"));
    EXPECT_FALSE(startLogoWanted());
    EXPECT_FALSE(writeShutdownSettings(QRect(1, 2, 3, 4), false, 0));
}

TEST(StartupSettings, DefaultWindowIsCentredOnTheWorkArea)
{
    EXPECT_EQ(defaultWindowBounds(QRect(0, 0, 1920, 1040)), QRect(760, 320, 400, 400));
    EXPECT_EQ(defaultWindowBounds(QRect(0, 0, 1025, 769)), QRect(312, 184, 400, 400));
}

TEST(StartLogo, WrittenOnceAndSwitchedOff)
{
    TempHome home;
    EXPECT_TRUE(startLogoWanted());
    EXPECT_EQ(settingsKey().readInteger(setting::ShowStartLogo), 1);
    disableStartLogo();
    EXPECT_FALSE(startLogoWanted());
    EXPECT_EQ(settingsKey().readInteger(setting::ShowStartLogo), 0);
}

TEST(Shutdown, WritesGeometryFlagAndColourText)
{
    TempHome home;
    ASSERT_TRUE(writeShutdownSettings(QRect(10, 20, 640, 480), true, 0x141414));
    RegistryKey key = settingsKey();
    EXPECT_EQ(key.valueNames(),
              (QStringList{"FormWidth", "FormHeight", "FormLeft", "FormTop", "FullScreen", "BackColor"}));
    EXPECT_EQ(key.readInteger(setting::FormWidth), 640);
    EXPECT_EQ(key.readInteger(setting::FormTop), 20);
    EXPECT_TRUE(key.readBool(setting::FullScreen));
    EXPECT_EQ(key.readString(setting::BackColor), QStringLiteral("$00141414"));
}

// The table and the start-up walk agree: a first start writes exactly the
// values marked for it, each as its default, and every default means something.
TEST(SettingsTable, FirstStartWritesExactlyTheMarkedDefaults)
{
    TempHome home;
    readStartupSettings(QStringLiteral("/opt/vv/"));
    RegistryKey key = settingsKey();
    QStringList names;
    for (const SettingEntry& e : settingsTable()) {
        SCOPED_TRACE(e.name);
        EXPECT_FALSE(names.contains(e.valueName()));
        names << e.valueName();
        EXPECT_TRUE(!e.writtenWhenMissing || e.hasDefault);
        if (e.hasDefault && e.type == SettingType::Integer) {
            EXPECT_TRUE(e.inRange(e.defaultNumber));
        }
        ASSERT_EQ(key.valueExists(e.valueName()), e.writtenWhenMissing);
        if (e.writtenWhenMissing) {
            const auto stored = readSetting(key, e);
            ASSERT_TRUE(stored.has_value());
            EXPECT_EQ(stored->number, settingDefault(e).number);
            EXPECT_EQ(stored->text, settingDefault(e).text);
        }
    }
    EXPECT_EQ(settingDefault(settingEntry(SettingId::FlashBackColor)).number, 0);
    EXPECT_TRUE(storeSettingText(SettingId::Skin, QStringLiteral("/p/Data/Skins/a.vxskin")));
    EXPECT_EQ(settingsKey().readString(QStringLiteral("Skin")), QStringLiteral("/p/Data/Skins/a.vxskin"));
}
