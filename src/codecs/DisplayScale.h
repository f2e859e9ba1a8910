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

// The area average of an opaque picture shrunk to size, on this thread
// alone (32- and 24-bit rows read as they are, others converted a band at
// a time); a null image for pictures with alpha and for enlargements.
QImage shrinkByArea(const QImage& image, QSize size);

}  // namespace vx
