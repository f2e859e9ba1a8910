// The page that embeds a movie as the Flash wallpaper: seven lines joined
// by CR LF, made of fixed pieces and pieces chosen by the Flash wallpaper
// settings. A setting that could not be read leaves its piece out; a number
// outside its listed values writes no text for its piece.
#pragma once

#include "desktop/WallpaperSettings.h"

#include <QByteArray>
#include <QString>

namespace vx {

inline const QString kFlashWallpaperPageName = QStringLiteral("Current Flash Wallpaper.html");
// Where a browser without the plug-in is sent.
inline constexpr const char* kFlashPluginPage = "http://www.macromedia.com/go/getflashplayer";

// The page bytes (UTF-8) for the movie at swfPath.
QByteArray flashWallpaperPage(const FlashWallpaperSettings& settings, const QString& swfPath);

// text for a double-quoted attribute: '"', '&', '<' and '>' become entities,
// everything else stays as it is.
QString htmlAttributeText(const QString& text);

}  // namespace vx
