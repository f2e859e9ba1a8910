#include "codecs/Graphic.h"

#include <QPainter>

namespace vx {

QImage Graphic::displayImage(QSize /*target*/) const
{
    return bitmap().toImage();
}

void Graphic::draw(QPainter& painter, const QRectF& rect) const
{
    const QImage image = displayImage(rect.size().toSize());
    if (image.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(rect, image);
    painter.restore();
}

QImage Graphic::frameImage(int /*index*/) const
{
    return bitmap().toImage();
}

}  // namespace vx
