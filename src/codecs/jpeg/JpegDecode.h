// Plain libjpeg-turbo decoding routines behind TJPEGImage: header reading,
// decoding into 32-bit display rows at a DCT scale, and full-resolution
// decoding into a bitmap. Every libjpeg error becomes a CodecError.
#pragma once

#include "codecs/Bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>

namespace vx::jpeg {

enum class ColorModel { Gray, Color, CMYK };

struct Header {
    int width = 0;
    int height = 0;
    int components = 0;
    ColorModel model = ColorModel::Color;
    bool progressive = false;
    bool adobe = false;
};

// Reads the markers up to the first scan and checks the picture size.
Header readHeader(const uint8_t* data, size_t size);

// Output size of the picture decoded at scaleNum / 8 (1..8).
QSize scaledSize(int width, int height, int scaleNum);

// Decodes at scaleNum / 8 into a QImage::Format_RGB32 (BGRX rows, written by
// libjpeg directly). fast selects the fast integer IDCT and plain upsampling.
QImage decodeDisplay(const uint8_t* data, size_t size, int scaleNum, bool fast);

// Decodes at full resolution: 8-bit gray indexed for grayscale files,
// 24-bit BGR otherwise (CMYK and YCCK converted).
Bitmap decodeBitmap(const uint8_t* data, size_t size);

// Converts one row of CMYK samples to blue, green, red (and a fourth byte of
// 255 when step is 4). Adobe files store inverted inks.
void cmykToBgr(const uint8_t* cmyk, uint8_t* out, int width, int step, bool inverted);

}  // namespace vx::jpeg
