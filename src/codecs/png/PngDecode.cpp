#include "codecs/png/PngDecode.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/png/PngFastDecode.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <png.h>

namespace vx::png {

namespace {

struct Source {
    const uint8_t* data;
    size_t size;
    size_t pos;
    char message[256];
};

extern "C" void vxPngReadData(png_structp png, png_bytep out, size_t length)
{
    auto* src = static_cast<Source*>(png_get_io_ptr(png));
    if (length > src->size - src->pos)
        png_error(png, "Unexpected end of PNG data");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

extern "C" void vxPngOnError(png_structp png, png_const_charp message)
{
    auto* src = static_cast<Source*>(png_get_error_ptr(png));
    std::snprintf(src->message, sizeof src->message, "%s", message ? message : "error");
    png_longjmp(png, 1);
}

extern "C" void vxPngOnWarning(png_structp, png_const_charp) {}

// Called after every row (of every interlace pass).
extern "C" void vxPngOnRow(png_structp png, png_uint_32, int)
{
    if (cancelRequested())
        png_error(png, "Decoding cancelled");
}

struct ReadHandles {
    png_structp png = nullptr;
    png_infop info = nullptr;
    ~ReadHandles()
    {
        if (png)
            png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
    }
};

void setGrayPalette(Bitmap& bitmap, int levels)
{
    bitmap.palette().resize(size_t(levels));
    for (int i = 0; i < levels; ++i) {
        const auto v = uint8_t(i * 255 / (levels - 1));
        bitmap.palette()[size_t(i)] = {v, v, v, 0};
    }
}

uint32_t readBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

// Walks the chunk list up to IEND: a chunk claiming more bytes than the file
// holds is refused here, before libpng sizes a buffer by its length, and so
// is a picture whose image data cannot inflate to its pixels (deflate gives
// at most 1032 bytes for one).
void checkChunks(const uint8_t* data, size_t size)
{
    size_t pos = 8;
    uint64_t imageData = 0;
    uint64_t pixelBytes = 0;
    while (size - pos >= 8) {
        const size_t length = readBe32(data + pos);
        if (length > size - pos - 8 || size - pos - 8 - length < 4)
            throw CodecError("PNG chunk runs past the end of the file");
        const uint8_t* type = data + pos + 4;
        if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
            const uint8_t* f = data + pos + 8;
            const uint64_t width = readBe32(f), height = readBe32(f + 4);
            const int depth = f[8];
            const int channels = f[9] == 2 ? 3 : f[9] == 4 ? 2 : f[9] == 6 ? 4 : 1;
            if (width <= uint64_t(kMaxSide) && height <= uint64_t(kMaxSide))
                pixelBytes = (width * uint64_t(channels) * uint64_t(depth) + 7) / 8 * height;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            imageData += length;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            if (imageData == 0)
                throw CodecError("PNG file has no image data");
            checkDataSupply(pixelBytes, imageData, 1032, "PNG image data is truncated");
            return;
        }
        pos += 12 + length;
    }
    throw CodecError("PNG data ends without an IEND chunk");
}

Bitmap readWithLibpng(const uint8_t* data, size_t size, bool applyTrns, Info* infoOut)
{
    Source src{data, size, 0, "error"};
    ReadHandles h;
    Bitmap bitmap;
    std::vector<png_bytep> rows;
    Info info;

    h.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, vxPngOnError, vxPngOnWarning);
    if (!h.png)
        throw CodecError("Cannot create the PNG reader");
    h.info = png_create_info_struct(h.png);
    if (!h.info)
        throw CodecError("Cannot create the PNG reader");
    if (setjmp(png_jmpbuf(h.png))) {
        if (cancelRequested())
            throw DecodeCancelled();
        throw CodecError(std::string("PNG: ") + src.message);
    }

    png_set_read_fn(h.png, &src, vxPngReadData);
    png_set_read_status_fn(h.png, vxPngOnRow);
    png_set_user_limits(h.png, kMaxSide, kMaxSide);
    png_read_info(h.png, h.info);

    png_uint_32 width = 0, height = 0;
    int depth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(h.png, h.info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
    checkPictureSize(width, height);
    info.colorType = colorType;
    info.bitDepth = depth;
    info.interlaced = interlace != PNG_INTERLACE_NONE;
    info.hasTrns = png_get_valid(h.png, h.info, PNG_INFO_tRNS) != 0;
    const bool trns = applyTrns && info.hasTrns;

    if (depth == 16)
        png_set_scale_16(h.png);

    int bpp = 0;
    int grayLevels = 0;
    switch (colorType) {
    case PNG_COLOR_TYPE_PALETTE:
        if (trns) {
            png_set_palette_to_rgb(h.png);
            png_set_tRNS_to_alpha(h.png);
            png_set_bgr(h.png);
            bpp = 32;
        } else if (depth == 2) {
            png_set_packing(h.png);
            bpp = 8;
        } else {
            bpp = depth;
        }
        break;
    case PNG_COLOR_TYPE_GRAY:
        if (trns) {
            png_set_expand_gray_1_2_4_to_8(h.png);
            png_set_tRNS_to_alpha(h.png);
            png_set_gray_to_rgb(h.png);
            png_set_bgr(h.png);
            bpp = 32;
        } else {
            grayLevels = depth >= 8 ? 256 : 1 << depth;
            if (depth == 2)
                png_set_packing(h.png);
            bpp = (depth == 1 || depth == 4) ? depth : 8;
        }
        break;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        png_set_gray_to_rgb(h.png);
        png_set_bgr(h.png);
        bpp = 32;
        break;
    case PNG_COLOR_TYPE_RGB:
        png_set_bgr(h.png);
        if (trns) {
            png_set_tRNS_to_alpha(h.png);
            bpp = 32;
        } else {
            bpp = 24;
        }
        break;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        png_set_bgr(h.png);
        bpp = 32;
        break;
    default:
        throw CodecError("Unknown PNG colour type");
    }
    if (info.interlaced)
        png_set_interlace_handling(h.png);
    png_read_update_info(h.png, h.info);

    // libpng writes every byte of every row: no need to clear them first.
    // Rows of less than a byte a pixel keep the unused bits of their last
    // byte as they were, so those start cleared.
    bitmap = bpp < 8 ? Bitmap(int(width), int(height), bpp) : Bitmap(int(width), int(height), bpp, Bitmap::NoFill{});
    if (png_get_rowbytes(h.png, h.info) > size_t(bitmap.stride()))
        throw CodecError("PNG row layout does not match the picture");
    if (bpp == 32)
        bitmap.setHasAlpha(true);
    if (grayLevels)
        setGrayPalette(bitmap, grayLevels);
    if (colorType == PNG_COLOR_TYPE_PALETTE && bpp <= 8) {
        png_colorp plte = nullptr;
        int count = 0;
        if (!png_get_PLTE(h.png, h.info, &plte, &count) || !plte)
            throw CodecError("PNG palette missing");
        bitmap.palette().resize(size_t(std::min(count, 1 << bpp)));
        for (size_t i = 0; i < bitmap.palette().size(); ++i)
            bitmap.palette()[i] = {plte[i].blue, plte[i].green, plte[i].red, 0};
    }

    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = bitmap.scanLine(int(y));
    png_read_image(h.png, rows.data());

    if (infoOut)
        *infoOut = info;
    return bitmap;
}

}  // namespace

void checkFile(const uint8_t* data, size_t size)
{
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0)
        throw CodecError("Not a PNG file");
    checkChunks(data, size);
}

Bitmap decode(const uint8_t* data, size_t size, bool applyTrns, Info* infoOut)
{
    checkFile(data, size);
    Bitmap bitmap;
    Info info;
    if (decodeCommon(data, size, bitmap, info)) {
        if (infoOut)
            *infoOut = info;
        return bitmap;
    }
    return readWithLibpng(data, size, applyTrns, infoOut);
}

Bitmap decodeWithLibpng(const uint8_t* data, size_t size, bool applyTrns, Info* infoOut)
{
    checkFile(data, size);
    return readWithLibpng(data, size, applyTrns, infoOut);
}

}  // namespace vx::png
