// The settings the wallpaper command reads when it runs. The settings key
// is opened without creating it; a value that is absent or unreadable is
// replaced by its default, which is written back.
#pragma once

#include "settings/ColorText.h"

#include <optional>

namespace vx {

// SetWall: 1 centre, 2 tile, 3 stretch (other numbers are returned as they
// are). nullopt when the settings key does not exist.
std::optional<int> readWallpaperStyle();

// The five values the Flash wallpaper page is made of, each read with the
// key opened on its own; nullopt where the key could not be opened.
struct FlashWallpaperSettings {
    std::optional<ColorRef> backColor;  // FlashBackColor, default clBlack
    std::optional<int> fullScreen;      // FlashFullScr, default 1
    std::optional<int> autoPlay;        // FlashAutoPlay, default 1
    std::optional<int> transparent;     // FlashTransperent, default 1
    std::optional<int> quality;         // FlashWallQuality 0..5, default 2
};
FlashWallpaperSettings readFlashWallpaperSettings();

}  // namespace vx
