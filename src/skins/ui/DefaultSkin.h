// The built-in button picture used when no skin package is applied.
#pragma once

#include <QImage>

namespace vx {

// Size of one button tile and of the whole picture (seventeen tiles in a row,
// the released images in the top row, the pressed ones below).
inline constexpr int kDefaultSkinTileWidth = 25;
inline constexpr int kDefaultSkinTileHeight = 19;
inline constexpr int kDefaultSkinTileCount = 17;
inline constexpr int kDefaultSkinWidth = kDefaultSkinTileWidth * kDefaultSkinTileCount;  // 425
inline constexpr int kDefaultSkinHeight = 2 * kDefaultSkinTileHeight;                     // 38

// Draws the 425 x 38 picture (QImage::Format_RGB888). Tile i (0..16) lies at
// x = 25 * i: open, save, settings, info, set wallpaper, rotate left, rotate
// right, previous, next, a film strip (used by no button), full screen,
// minimize, maximize, close, play, pause, stop.
QImage defaultSkinImage();

}  // namespace vx
