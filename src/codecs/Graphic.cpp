#include "codecs/Graphic.h"

#include "codecs/DisplayScale.h"

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

QImage Graphic::frameImageAt(int index, QSize size) const
{
    QImage image = frameCount() > 1 ? frameImage(index) : displayImage(size);
    if (image.isNull() || size.isEmpty() || image.size() == size)
        return image;
    return scaleForDisplay(image, size);
}

}  // namespace vx
