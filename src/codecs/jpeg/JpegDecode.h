// Plain libjpeg-turbo decoding routines behind JpegImage: header reading,
// decoding into 32-bit display rows at a DCT scale, and full-resolution
// decoding into a bitmap. Every libjpeg error becomes a CodecError.
#pragma once

#include "codecs/Bitmap.h"

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace vx::jpeg {

enum class ColorModel { Gray, Color, CMYK };

// Where the compressed data comes from: bytes in memory, or an open file
// read through a small buffer (so the file is never held whole).
struct Source {
    const uint8_t* data = nullptr;
    size_t size = 0;
    FILE* file = nullptr;
    static Source memory(const uint8_t* data, size_t size) { return {data, size, nullptr}; }
    static Source stream(FILE* file) { return {nullptr, 0, file}; }
};

struct Header {
    int width = 0;
    int height = 0;
    int components = 0;
    ColorModel model = ColorModel::Color;
    bool progressive = false;
    bool adobe = false;
};

// Reads the markers up to the first scan and checks the picture size.
Header readHeader(const Source& source);

// Output size of the picture decoded at scaleNum / 8 (1..8).
QSize scaledSize(int width, int height, int scaleNum);

// Decodes at scaleNum / 8 into a QImage::Format_RGB32 (BGRX rows, written by
// libjpeg directly). fast selects the fast integer IDCT and plain upsampling.
QImage decodeDisplay(const Source& source, int scaleNum, bool fast);
// Decodes at scaleNum / 8 and shrinks the rows as they arrive straight into
// a Format_RGB32 image of target (no larger than the scaled picture).
QImage decodeDisplayTo(const Source& source, int scaleNum, bool fast, QSize target);
// Shrinks a picture decodeDisplay made to target the way decodeDisplayTo
// shrinks its rows (the same pixels as decodeDisplayTo at that scale).
QImage shrinkDisplay(const QImage& decoded, QSize target);

// Decodes at full resolution: 8-bit gray indexed for grayscale files,
// 24-bit BGR otherwise (CMYK and YCCK converted).
Bitmap decodeBitmap(const Source& source);

// Converts one row of CMYK samples to blue, green, red (and a fourth byte of
// 255 when step is 4). Adobe files store inverted inks.
void cmykToBgr(const uint8_t* cmyk, uint8_t* out, int width, int step, bool inverted);

}  // namespace vx::jpeg
