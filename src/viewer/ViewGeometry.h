// Picture-control geometry: the scaling modes applied at open, zoom steps,
// the fit toggle and centring. Sizes are computed in 80-bit extended
// precision: scaling takes the quotient of the picture's sides first, then
// its product with the area side, and truncates; zoom multiplies or divides
// by 1.2 and rounds to nearest with ties to even.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <limits>

namespace vx {

static_assert(std::numeric_limits<long double>::digits == 64,
              "view geometry needs the 80-bit extended type (64-bit mantissa)");

enum ImageScaleMode { ScaleNotSet = 0, FitBigImages = 1, FitAllImages = 2, OriginalSize = 3 };

// The control's size for a picture of natural size `picture` in an area of
// size `area`; `current` is returned unchanged for modes other than 1..3.
// Throws std::domain_error for a zero side in modes 1 and 2 (no ratio exists).
QSize applyScalingMode(int mode, QSize picture, QSize area, QSize current);

// What is known of the start picture's view before the window exists: the
// scaling mode and the window's size, which bounds the picture area.
struct StartView {
    int imageScale = ScaleNotSet;
    QSize window;  // empty: not known (a full-screen start)

    // The largest size the picture may be shown at in this view, for a
    // picture of natural size `picture`; empty when it can't be told.
    QSize largestShown(QSize picture) const;
};

// Fits the natural size into the area keeping its aspect ratio (mode 2).
QSize fitToArea(QSize natural, QSize area);

// One zoom step; sides of 3200 or more (in) or 20 or less (out) stop it.
QSize zoomInSize(QSize control);
QSize zoomOutSize(QSize control);

// The fit toggle: natural size -> fitted, anything else -> natural size.
QSize fitToggleSize(QSize control, QSize natural, QSize area);

// Top-left of the control centred in the area (0 on a side it doesn't fit).
QPoint centredPosition(QSize control, QSize area);

// Window bounds kept on the work area: a side larger than the area's (or not
// positive) becomes the area's, then the rectangle is moved inside the area.
QRect clampToArea(QRect bounds, const QRect& area);

// A size shrunk to fit into room keeping its aspect ratio (never enlarged;
// each side at least 1).
QSize shrinkToFit(QSize size, QSize room);

// Rounds to nearest with ties to even, in extended precision.
int roundHalfEven(long double value);

}  // namespace vx
