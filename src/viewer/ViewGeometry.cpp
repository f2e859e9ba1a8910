#include "viewer/ViewGeometry.h"

#include <cfenv>
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

}  // namespace vx
