#include "desktop/FlashWallpaperFrame.h"

#include "settings/ColorText.h"
#include "swf/SwfPlayer.h"

#include <QPainter>

namespace vx {

namespace {

// Low and Auto Low draw without smoothing, Medium as Medium; the rest high.
swf::Quality playerQuality(int wallQuality)
{
    switch (wallQuality) {
    case 0:
    case 1: return swf::Quality::Low;
    case 3: return swf::Quality::Medium;
    default: return swf::Quality::High;
    }
}

}  // namespace

QImage flashWallpaperFrame(const swf::Player& player, QSize screen, const FlashWallpaperSettings& s)
{
    QImage out(screen, QImage::Format_RGB32);
    if (out.isNull())
        return out;
    out.fill(QColor::fromRgb(rgbFromColorRef(s.backColor.value_or(0))));
    const QRect box = s.fullScreen.value_or(1) == 0
                          ? QRect((screen.width() - 550) / 2, (screen.height() - 400) / 2, 550, 400)
                          : QRect(QPoint(0, 0), screen);
    QPainter p(&out);
    p.setClipRect(box);
    if (s.transparent.value_or(1) == 0)
        p.fillRect(box, player.backgroundColor());
    QTransform toBox = swf::stageTransform(player.movie().stage(), QSizeF(box.size()), swf::ScaleMode::ShowAll);
    toBox *= QTransform::fromTranslate(box.left(), box.top());
    player.render(p, toBox, playerQuality(s.quality.value_or(2)));
    return out;
}

}  // namespace vx
