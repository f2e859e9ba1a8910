// Scaling a decoded picture to the size it is shown at, on the decoding
// thread. A large opaque picture shrunk (the common case for photos) is
// averaged by area a band of rows at a time, with a check for a cancelled
// decode between bands, so its scale stops as soon as its decode would;
// small pictures, enlargements and pictures with alpha use Qt's smooth
// scaling, which is quick at those sizes.
#pragma once

#include <QImage>
#include <QSize>

namespace vx {

QImage scaleForDisplay(const QImage& image, QSize size);

// The area average of an opaque 32- or 24-bit picture shrunk to size, on
// this thread alone; a null image for other pictures and sizes.
QImage shrinkByArea(const QImage& image, QSize size);

}  // namespace vx
