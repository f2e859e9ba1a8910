// Quarter turns of a bitmap in memory.
#pragma once

#include "codecs/Bitmap.h"

namespace vx {

// Turns bitmap a quarter clockwise for angle 90 and counter-clockwise for
// any other angle. The bitmap becomes 24 bits per pixel (blue, green, red).
void RotateBitmap(Bitmap& bitmap, int angle);

}  // namespace vx
