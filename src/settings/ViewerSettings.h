// The viewer's persisted settings: one key of the machine-wide hive, opened,
// read or written and closed again at every access (nothing is cached here).
#pragma once

#include "settings/ColorText.h"
#include "settings/SettingsKey.h"

#include <QRect>
#include <QString>
#include <array>
#include <optional>

namespace vx {

// Value names, spelled as stored.
namespace setting {
inline const QString Skin = QStringLiteral("Skin");
inline const QString Language = QStringLiteral("Language");
inline const QString ButtonsVisible = QStringLiteral("ButtonsVisible");
inline const QString CurrentFileNameLabelVisible = QStringLiteral("CurrentFileNameLabelVisible");
inline const QString CurrentFileNumberVisible = QStringLiteral("CurrentFileNumberVisible");
inline const QString ImageScale = QStringLiteral("ImageScale");
inline const QString FlashScale = QStringLiteral("FlashScale");
inline const QString FlashQuality = QStringLiteral("FlashQuality");
inline const QString FlashFSCommand = QStringLiteral("FlashFSCommand");
inline const QString BackColor = QStringLiteral("BackColor");
inline const QString FullScreen = QStringLiteral("FullScreen");
inline const QString FormWidth = QStringLiteral("FormWidth");
inline const QString FormHeight = QStringLiteral("FormHeight");
inline const QString FormTop = QStringLiteral("FormTop");
inline const QString FormLeft = QStringLiteral("FormLeft");
inline const QString ShowStartLogo = QStringLiteral("ShowStartLogo");
inline const QString SetWall = QStringLiteral("SetWall");
inline const QString FlashFullScr = QStringLiteral("FlashFullScr");
inline const QString FlashTransperent = QStringLiteral("FlashTransperent");
inline const QString FlashAutoPlay = QStringLiteral("FlashAutoPlay");
inline const QString FlashWallQuality = QStringLiteral("FlashWallQuality");
inline const QString FlashBackColor = QStringLiteral("FlashBackColor");
}  // namespace setting

inline constexpr int kToolbarButtonCount = 9;
inline const QString kAllButtonsVisible = QStringLiteral("111111111");
inline constexpr ColorRef kDefaultBackColor = 0x141414;

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

// Reads the start-up values in order, writing the defaults back as the
// store's rules say. programFolder ends with a separator.
StartupSettings readStartupSettings(const QString& programFolder);

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
