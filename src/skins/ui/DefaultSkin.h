// The built-in button picture used when no skin package is applied.
#pragma once

#include "skins/SkinPackage.h"

#include <QImage>

namespace vx {

// Size of one button tile and of the whole picture (seventeen tiles in a row,
// the released images in the top row, the pressed ones below).
inline constexpr int kDefaultSkinTileWidth = kDefaultTileWidth;
inline constexpr int kDefaultSkinTileHeight = kDefaultTileHeight;
inline constexpr int kDefaultSkinTileCount = 17;
static_assert(kDefaultSkinWidth == kDefaultSkinTileWidth * kDefaultSkinTileCount);
static_assert(kDefaultSkinHeight == 2 * kDefaultSkinTileHeight);

// Draws the 425 x 38 picture (QImage::Format_RGB888). Tile i (0..16) lies at
// x = 25 * i: open, save, settings, info, set wallpaper, rotate left, rotate
// right, previous, next, a film strip (used by no button), full screen,
// minimize, maximize, close, play, pause, stop.
QImage defaultSkinImage();

}  // namespace vx
