// What a desktop that shows no pages gets for the Flash wallpaper: the
// movie's current frame drawn by our player as the page would show it, on a
// picture of the screen's size.
#pragma once

#include "desktop/WallpaperSettings.h"

#include <QImage>
#include <QSize>

namespace vx {

namespace swf {
class Player;
}

// The page's colour everywhere; the movie fills the screen (FlashFullScr 1)
// or a 550 x 400 box in its middle, with its own background there unless it
// is transparent, at the quality of FlashWallQuality. Settings that could
// not be read take their defaults.
QImage flashWallpaperFrame(const swf::Player& player, QSize screen, const FlashWallpaperSettings& settings);

}  // namespace vx
