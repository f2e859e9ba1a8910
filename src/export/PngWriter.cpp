// The PNG writer of SaveToFileFunctions, on libpng.
#include "export/SaveToFileFunctions.h"

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

namespace vx {

namespace {

struct PngContext {
    QIODevice* out = nullptr;
    std::string message;
};

void pngError(png_structp png, png_const_charp message)
{
    auto* ctx = static_cast<PngContext*>(png_get_error_ptr(png));
    ctx->message = message ? message : "unknown error";
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngWrite(png_structp png, png_bytep data, size_t size)
{
    auto* ctx = static_cast<PngContext*>(png_get_io_ptr(png));
    if (ctx->out->write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        png_error(png, "write failed");
}

void pngFlush(png_structp) {}

// 16-bit pixels are written as 8-bit RGB.
void expandRow555(const Bitmap& bitmap, int y, uint8_t* dst)
{
    for (int x = 0; x < bitmap.width(); ++x, dst += 3) {
        const uint32_t c = bitmap.pixel(x, y);
        dst[0] = uint8_t(c >> 16);
        dst[1] = uint8_t(c >> 8);
        dst[2] = uint8_t(c);
    }
}

// Everything that must survive a longjmp lives outside this frame.
bool encode(const Bitmap& bitmap, PngContext* ctx, int level, png_color* palette, uint8_t* rowBuffer)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, ctx, pngError, pngWarning);
    if (!png) {
        ctx->message = "out of memory";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        ctx->message = "out of memory";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, ctx, pngWrite, pngFlush);
    png_set_compression_level(png, level);

    const int bpp = bitmap.bitsPerPixel();
    int colourType = PNG_COLOR_TYPE_RGB;
    int depth = 8;
    if (bpp <= 8) {
        colourType = PNG_COLOR_TYPE_PALETTE;
        depth = bpp;
    } else if (bpp == 32 && bitmap.hasAlpha()) {
        colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    }
    png_set_IHDR(png, info, png_uint_32(bitmap.width()), png_uint_32(bitmap.height()), depth,
                 colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (bpp <= 8)
        png_set_PLTE(png, info, palette, 1 << bpp);
    png_write_info(png, info);
    if (bpp == 24 || bpp == 32)
        png_set_bgr(png);
    if (bpp == 32 && !bitmap.hasAlpha())
        png_set_filler(png, 0, PNG_FILLER_AFTER);

    for (int y = 0; y < bitmap.height(); ++y) {
        if (bpp == 16) {
            expandRow555(bitmap, y, rowBuffer);
            png_write_row(png, rowBuffer);
        } else {
            png_write_row(png, bitmap.scanLine(y));
        }
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

void encodePng(const Bitmap& bitmap, QIODevice& out, int level)
{
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    if (level < 0 || level > 9)
        level = kSavePngLevel;
    PngContext ctx;
    ctx.out = &out;
    // Every index a row can hold gets an entry, so no pixel is out of range.
    std::vector<png_color> palette(256, png_color{0, 0, 0});
    for (size_t i = 0; i < bitmap.palette().size() && i < palette.size(); ++i)
        palette[i] = {bitmap.palette()[i].red, bitmap.palette()[i].green, bitmap.palette()[i].blue};
    std::vector<uint8_t> rowBuffer;
    if (bitmap.bitsPerPixel() == 16)
        rowBuffer.resize(size_t(bitmap.width()) * 3);
    if (!encode(bitmap, &ctx, level, palette.data(), rowBuffer.data())) {
        std::string text = "Cannot write PNG data: " + ctx.message;
        throw SaveError(text);
    }
}

void WritePng(const DisplayedPicture& picture, const QString& path, int level)
{
    const Bitmap bitmap = sourceBitmap(picture);
    if (bitmap.isNull())
        throw SaveError("There is no picture to save");
    SafeFileWriter file(path);
    encodePng(bitmap, file.device(), level);
    file.commit();
}

}  // namespace vx
