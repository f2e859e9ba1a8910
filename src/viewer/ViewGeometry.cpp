#include "viewer/ViewGeometry.h"

#include <algorithm>
#include <cfenv>
#include <cstdint>
#include <cmath>
#include <stdexcept>

namespace vx {

namespace {

using Extended = long double;

// trunc((a / b) x c), the quotient first.
int scaled(int a, int b, int c)
{
    if (b == 0)
        throw std::domain_error("picture side is zero");
    const Extended q = Extended(a) / Extended(b);
    return int(std::trunc(q * Extended(c)));
}

}  // namespace

int roundHalfEven(long double value)
{
    // nearbyintl rounds in the current mode, which is to-nearest-even by default.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyintl(value);
    std::fesetround(saved);
    return int(r);
}

QSize fitToArea(QSize natural, QSize area)
{
    const int w = natural.width(), h = natural.height();
    const int bw = area.width(), bh = area.height();
    const int r = scaled(h, w, bw);
    if (bh > r)
        return QSize(bw, scaled(h, w, bw));
    return QSize(scaled(w, h, bh), bh);
}

QSize applyScalingMode(int mode, QSize picture, QSize area, QSize current)
{
    const int w = picture.width(), h = picture.height();
    const int bw = area.width(), bh = area.height();
    switch (mode) {
    case FitBigImages: {
        const int r = scaled(h, w, bw);
        if (bh > r)
            return w > bw ? QSize(bw, scaled(h, w, bw)) : QSize(w, h);
        return h > bh ? QSize(scaled(w, h, bh), bh) : QSize(w, h);
    }
    case FitAllImages:
        return fitToArea(picture, area);
    case OriginalSize:
        return picture;
    default:
        return current;
    }
}

QSize StartView::largestShown(QSize picture) const
{
    // Modes 1 and 2 grow with the area, which lies inside the window.
    if (window.isEmpty() || picture.isEmpty() || imageScale < FitBigImages || imageScale > OriginalSize)
        return QSize();
    return applyScalingMode(imageScale, picture, window, window);
}

QSize zoomInSize(QSize control)
{
    if (control.width() >= 3200 || control.height() >= 3200)
        return control;
    const Extended factor = 1.2L;
    return QSize(roundHalfEven(Extended(control.width()) * factor),
                 roundHalfEven(Extended(control.height()) * factor));
}

QSize zoomOutSize(QSize control)
{
    if (control.width() <= 20 || control.height() <= 20)
        return control;
    const Extended factor = 1.2L;
    return QSize(roundHalfEven(Extended(control.width()) / factor),
                 roundHalfEven(Extended(control.height()) / factor));
}

QSize fitToggleSize(QSize control, QSize natural, QSize area)
{
    if (control == natural)
        return fitToArea(natural, area);
    return natural;
}

QPoint centredPosition(QSize control, QSize area)
{
    const int left = area.width() > control.width() ? area.width() / 2 - control.width() / 2 : 0;
    const int top = area.height() > control.height() ? area.height() / 2 - control.height() / 2 : 0;
    return QPoint(left, top);
}

QRect clampToArea(QRect bounds, const QRect& area)
{
    const int64_t aw = std::max(area.width(), 1), ah = std::max(area.height(), 1);
    const int64_t w = bounds.width() <= 0 || bounds.width() > aw ? aw : bounds.width();
    const int64_t h = bounds.height() <= 0 || bounds.height() > ah ? ah : bounds.height();
    const int64_t x = std::clamp<int64_t>(bounds.x(), area.x(), area.x() + aw - w);
    const int64_t y = std::clamp<int64_t>(bounds.y(), area.y(), area.y() + ah - h);
    return QRect(int(x), int(y), int(w), int(h));
}

QSize shrinkToFit(QSize size, QSize room)
{
    const int64_t w = std::max(size.width(), 1), h = std::max(size.height(), 1);
    const int64_t rw = std::max(room.width(), 1), rh = std::max(room.height(), 1);
    if (w <= rw && h <= rh)
        return QSize(int(w), int(h));
    // The side that limits the size is exact; the other follows the aspect.
    if (w * rh >= h * rw)
        return QSize(int(rw), int(std::max<int64_t>(1, h * rw / w)));
    return QSize(int(std::max<int64_t>(1, w * rh / h)), int(rh));
}

}  // namespace vx
