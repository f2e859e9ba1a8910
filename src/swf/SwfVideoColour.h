// Colour conversion of decoded video pictures: 4:2:0 YCbCr (studio range,
// ITU-R BT.601, each chroma sample covering its 2 x 2 pixels) with an
// optional full-range alpha plane, whose colour is premultiplied, into
// premultiplied ARGB.
#pragma once

#include <QImage>
#include <cstdint>

namespace vx::swf {

struct YuvPlanes {
    const uint8_t *y, *u, *v, *a;  // a may be null: opaque
    int yStride, uStride, vStride, aStride;
    int width, height;  // of the luma plane
};

// The widest hand-written vector code the conversion may use for opaque
// pictures (the processor's own limit applies too); every level gives the
// same pixels.
enum class VectorLevel { Plain, Avx2, Avx512 };

// Fills `out` (premultiplied ARGB32, at most the planes' size) from the
// top-left part of the planes.
void yuv420ToArgb(const YuvPlanes& planes, QImage& out, VectorLevel widest = VectorLevel::Avx512);

}  // namespace vx::swf
