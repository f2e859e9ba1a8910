// The wallpaper of a bare X session: the picture laid out on a pixmap of
// the screen's size, made the root window's background and announced in
// the _XROOTPMAP_ID and ESETROOT_PMAP_ID properties, so compositors and
// terminals that draw the desktop behind them find it. The pixmap outlives
// the connection; the one of an earlier setter that used the same
// convention is released.
#pragma once

#include <QColor>
#include <QImage>
#include <QSize>

namespace vx {

// The picture laid out on a screen of the given size: centred on the
// background colour, tiled from the top-left corner, or stretched.
QImage composeWallpaper(const QImage& picture, QSize screen, int style, QColor background = Qt::black);

// Sets the root window picture of the default screen of $DISPLAY; false
// when there is no X server, its pixel format is not a 24/32-bit true
// colour one, or a request fails.
bool setRootWindowPicture(const QImage& picture, int style);

}  // namespace vx
