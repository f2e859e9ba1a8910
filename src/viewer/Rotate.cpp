#include "viewer/Rotate.h"

#include <cstring>
#include <vector>

namespace vx {

void RotateBitmap(Bitmap& bitmap, int angle)
{
    if (bitmap.isNull())
        return;
    const Bitmap source = bitmap.bitsPerPixel() == 24 ? bitmap.deepCopy() : bitmap.converted24();
    const int w = source.width(), h = source.height();
    Bitmap turned(h, w, 24);

    // Row references into the source: for a clockwise turn destination
    // column i comes from source row h - 1 - i.
    std::vector<const uint8_t*> rows(static_cast<size_t>(h));
    for (int i = 0; i < h; ++i)
        rows[size_t(i)] = source.scanLine(angle == 90 ? h - 1 - i : i);

    for (int y = 0; y < w; ++y) {
        const size_t column = size_t(angle == 90 ? y : w - 1 - y) * 3;
        uint8_t* dst = turned.scanLine(y);
        for (int i = 0; i < h; ++i) {
            const uint8_t* px = rows[size_t(i)] + column;
            dst[0] = px[0];
            dst[1] = px[1];
            dst[2] = px[2];
            dst += 3;
        }
    }
    bitmap = turned;
}

}  // namespace vx
