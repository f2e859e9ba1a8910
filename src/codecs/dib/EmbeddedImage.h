// Pictures stored inside another container in a format Qt reads (PNG in
// icons, JPEG or PNG inside a bitmap file).
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace vx {

// Decodes the bytes with Qt's reader of the given format ("png", "jpeg").
// The size is checked before any pixels are allocated; throws CodecError.
QImage decodeEmbeddedImage(const uint8_t* data, size_t size, const char* format);

}  // namespace vx
