// The plain-library side of the benchmarks that compare the viewer with
// libjpeg-turbo and libpng: a photo-like test JPEG and a bare libpng read.
#pragma once

#include <QByteArray>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <jpeglib.h>
#include <png.h>

namespace bench {

// A 6000 x 4000 JPEG at quality 90 whose noise and gradients compress like a
// photograph; rngSeed and hueShift make different files of the same kind.
inline void writePhotoJpeg(const QString& path, unsigned rngSeed, int hueShift)
{
    constexpr int kWidth = 6000, kHeight = 4000;
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    jpeg_stdio_dest(&c, f);
    c.image_width = kWidth;
    c.image_height = kHeight;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(kWidth) * 3);
    std::mt19937 rng(rngSeed);
    while (c.next_scanline < c.image_height) {
        const int y = int(c.next_scanline);
        for (int x = 0; x < kWidth; ++x) {
            const int n = int(rng() % 24);
            row[size_t(x) * 3] = uint8_t((x / 24 + n + hueShift) & 255);
            row[size_t(x) * 3 + 1] = uint8_t((y / 16 + n) & 255);
            row[size_t(x) * 3 + 2] = uint8_t(((x + y) / 40 + (x * y) / 9000) & 255);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

struct PngMemory {
    const QByteArray* data;
    size_t pos;
};

extern "C" inline void readPngMemory(png_structp png, png_bytep out, size_t length)
{
    auto* m = static_cast<PngMemory*>(png_get_io_ptr(png));
    std::memcpy(out, m->data->constData() + m->pos, length);
    m->pos += length;
}

// libpng alone: the file into memory, png_read_row row by row into one buffer.
inline std::unique_ptr<png_byte[]> plainLibpngRead(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray data = f.readAll();
    PngMemory m{&data, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &m, readPngMemory);
    png_read_info(png, info);
    const size_t stride = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    std::unique_ptr<png_byte[]> pixels(new png_byte[stride * height]);
    for (png_uint_32 y = 0; y < height; ++y)
        png_read_row(png, pixels.get() + y * stride, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return pixels;
}

}  // namespace bench
