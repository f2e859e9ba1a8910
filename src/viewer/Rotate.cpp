#include "viewer/Rotate.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vx {

namespace {

// Pixels are moved in square tiles so that both the rows read and the rows
// written stay in the cache while a tile is done.
constexpr int kTile = 64;

}  // namespace

void RotateBitmap(Bitmap& bitmap, int angle)
{
    if (bitmap.isNull())
        return;
    // The source keeps the picture as it was; the bitmap gets new pixels.
    const Bitmap source = bitmap.bitsPerPixel() == 24 ? bitmap : bitmap.converted24();
    const int w = source.width(), h = source.height();
    Bitmap turned(h, w, 24, Bitmap::NoFill{});

    // Row references into the source: for a clockwise turn destination
    // column i comes from source row h - 1 - i, otherwise from row i.
    std::vector<const uint8_t*> rows(static_cast<size_t>(h));
    for (int i = 0; i < h; ++i)
        rows[size_t(i)] = source.scanLine(angle == 90 ? h - 1 - i : i);

    for (int y0 = 0; y0 < w; y0 += kTile) {
        const int y1 = std::min(w, y0 + kTile);
        for (int i0 = 0; i0 < h; i0 += kTile) {
            const int i1 = std::min(h, i0 + kTile);
            for (int y = y0; y < y1; ++y) {
                // Destination row y is source column y (clockwise) or w - 1 - y.
                const int sourceColumn = angle == 90 ? y : w - 1 - y;
                const size_t column = size_t(sourceColumn) * 3;
                uint8_t* dst = turned.scanLine(y) + size_t(i0) * 3;
                // Four-byte moves where the fourth byte is overwritten by the
                // next pixel anyway; the last pixel of a row and the last
                // source column move three bytes so nothing outside is touched.
                const int fast = (sourceColumn == w - 1) ? i0 : std::min(i1, h - 1);
                int i = i0;
                for (; i < fast; ++i) {
                    uint32_t v;
                    std::memcpy(&v, rows[size_t(i)] + column, 4);
                    std::memcpy(dst, &v, 4);
                    dst += 3;
                }
                for (; i < i1; ++i) {
                    const uint8_t* px = rows[size_t(i)] + column;
                    dst[0] = px[0];
                    dst[1] = px[1];
                    dst[2] = px[2];
                    dst += 3;
                }
            }
        }
    }
    bitmap = turned;
}

}  // namespace vx
