// Undoing the PNG row filters (None, Sub, Up, Average, Paeth) for rows of
// 8-bit samples, written straight into a bitmap row in our byte order.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vx::png {

// Unfilters one row of `bytes` bytes whose pixels are `pixelBytes` bytes
// long (1, 3 or 4). raw is the row as stored, without its filter type byte;
// prev is the row above as written to out (zeros above the first row).
// Pixels of 3 and 4 bytes have their first and third byte swapped on the
// way (RGB to BGR, RGBA to BGRA). Returns false for an unknown filter type.
bool unfilterRow(int filter, const uint8_t* raw, const uint8_t* prev, uint8_t* out, size_t bytes,
                 int pixelBytes);

}  // namespace vx::png
