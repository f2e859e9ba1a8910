// The viewer's persisted settings: one key of the machine-wide hive, opened,
// read or written and closed again at every access (nothing is cached here).
#pragma once

#include "settings/SettingsTable.h"
#include "viewer/ViewGeometry.h"

#include <QRect>
#include <QString>
#include <array>
#include <optional>

namespace vx {

// Value names, as older code spells them; the table is SettingsTable.h.
namespace setting {
inline const QString Skin = settingName(SettingId::Skin);
inline const QString Language = settingName(SettingId::Language);
inline const QString ButtonsVisible = settingName(SettingId::ButtonsVisible);
inline const QString CurrentFileNameLabelVisible = settingName(SettingId::CurrentFileNameLabelVisible);
inline const QString CurrentFileNumberVisible = settingName(SettingId::CurrentFileNumberVisible);
inline const QString ImageScale = settingName(SettingId::ImageScale);
inline const QString FlashScale = settingName(SettingId::FlashScale);
inline const QString FlashQuality = settingName(SettingId::FlashQuality);
inline const QString FlashFSCommand = settingName(SettingId::FlashFSCommand);
inline const QString BackColor = settingName(SettingId::BackColor);
inline const QString FullScreen = settingName(SettingId::FullScreen);
inline const QString FormWidth = settingName(SettingId::FormWidth);
inline const QString FormHeight = settingName(SettingId::FormHeight);
inline const QString FormTop = settingName(SettingId::FormTop);
inline const QString FormLeft = settingName(SettingId::FormLeft);
inline const QString ShowStartLogo = settingName(SettingId::ShowStartLogo);
inline const QString SetWall = settingName(SettingId::SetWall);
inline const QString FlashFullScr = settingName(SettingId::FlashFullScr);
inline const QString FlashTransperent = settingName(SettingId::FlashTransperent);
inline const QString FlashAutoPlay = settingName(SettingId::FlashAutoPlay);
inline const QString FlashWallQuality = settingName(SettingId::FlashWallQuality);
inline const QString FlashBackColor = settingName(SettingId::FlashBackColor);
}  // namespace setting

inline constexpr int kToolbarButtonCount = 9;
inline const QString kAllButtonsVisible = settingDefault(settingEntry(SettingId::ButtonsVisible)).text;
inline constexpr ColorRef kDefaultBackColor = kDefaultBackColorRef;

// Visibility of the nine toolbar buttons from the stored text: "1" shows,
// anything else (or a position past the end) hides.
std::array<bool, kToolbarButtonCount> parseButtonsVisible(const QString& text);
QString formatButtonsVisible(const std::array<bool, kToolbarButtonCount>& visible);

// What start-up reads, in the order it is applied; absent values have been
// given their defaults (and written back where that is the rule).
struct StartupSettings {
    bool keyOpened = false;
    QString skinPath;  // an existing package file; empty = the built-in skin
    QString languagePath;
    std::array<bool, kToolbarButtonCount> buttonsVisible{true, true, true, true, true,
                                                         true, true, true, true};
    bool fileNameLabelVisible = true;
    bool fileNumberVisible = false;
    int imageScale = 0;                    // 0 = not set
    std::optional<int> flashScaleMode;     // the control's ScaleMode, 0..3
    bool resizeWindowToMovie = false;
    std::optional<QString> flashQuality;   // "High", "Medium", "Low"
    bool showFsCommandMessage = false;
    ColorRef backColor = kDefaultBackColor;
    bool fullScreen = false;
    std::optional<QRect> formBounds;       // absent: the centred 400 x 400 window
};

// Walks the settings table in its order: each value read at start-up is
// read, its default written back where the table says so when it is
// missing, and applied. programFolder ends with a separator.
StartupSettings readStartupSettings(const QString& programFolder);

// The scaling mode and the window size the start will set, read without
// writing anything, for decoding the start picture before the window
// exists. No window size when the start is full screen.
StartView readStartView();

// The centred 400 x 400 window used when no bounds are stored.
QRect defaultWindowBounds(const QRect& workArea);

// The start logo choice of a start without a file: writes 1 when the value
// is missing; true when it is 1. False when the key cannot be opened.
bool startLogoWanted();
// Switches the start logo off for later starts (its movie is missing).
void disableStartLogo();

// Shutdown: FormWidth, FormHeight, FormLeft, FormTop, FullScreen, BackColor,
// in that order. False when the key cannot be opened or written.
bool writeShutdownSettings(const QRect& bounds, bool fullScreen, ColorRef backColor);

}  // namespace vx
