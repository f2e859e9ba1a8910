#include "codecs/misc/TiffImage.h"

#include "codecs/DecodeCancel.h"
#include "codecs/PixelBudget.h"
#include "codecs/ByteReader.h"

#include <tiffio.h>

#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace vx {

namespace {

// The largest single buffer libtiff may allocate for one file (strips, tables).
constexpr tmsize_t kMaxLibtiffAlloc = tmsize_t(512) << 20;

// The file in memory as libtiff's client stream; errors are collected here
// instead of being printed.
struct MemoryStream {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos = 0;
    std::string error;
};

tmsize_t streamRead(thandle_t h, void* buf, tmsize_t n)
{
    auto* s = static_cast<MemoryStream*>(h);
    if (n <= 0 || s->pos >= s->size)
        return 0;
    const uint64_t count = std::min<uint64_t>(uint64_t(n), s->size - s->pos);
    std::memcpy(buf, s->data + s->pos, size_t(count));
    s->pos += count;
    return tmsize_t(count);
}

tmsize_t streamWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t streamSeek(thandle_t h, toff_t offset, int whence)
{
    auto* s = static_cast<MemoryStream*>(h);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = s->pos;
    else if (whence == SEEK_END)
        base = s->size;
    const uint64_t target = base + offset;
    if (target < base)
        return toff_t(-1);
    s->pos = target;
    return target;
}

int streamClose(thandle_t) { return 0; }
toff_t streamSize(thandle_t h) { return static_cast<MemoryStream*>(h)->size; }

int streamMap(thandle_t h, void** base, toff_t* size)
{
    auto* s = static_cast<MemoryStream*>(h);
    *base = const_cast<uint8_t*>(s->data);
    *size = s->size;
    return 1;
}

void streamUnmap(thandle_t, void*, toff_t) {}

int collectError(TIFF*, void* user, const char* module, const char* fmt, va_list ap)
{
    auto* s = static_cast<MemoryStream*>(user);
    if (s->error.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, fmt, ap);
        s->error = std::string(module ? module : "TIFF") + ": " + text;
    }
    return 1;
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
    void operator()(TIFF* t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

[[noreturn]] void fail(const MemoryStream& s, const char* what)
{
    throw CodecError(s.error.empty() ? std::string(what) : std::string(what) + " (" + s.error + ")");
}

// 1/4/8-bit single-sample palette or gray pictures in strips, top-left
// oriented: read row by row into an indexed bitmap. Returns a null bitmap
// when the picture is not one of these.
Bitmap readIndexed(TIFF* tif, MemoryStream& s, uint32_t width, uint32_t height)
{
    uint16_t spp = 1, bps = 1, photometric = 0, orientation = ORIENTATION_TOPLEFT;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric))
        return Bitmap();
    if (spp != 1 || (bps != 1 && bps != 4 && bps != 8) || TIFFIsTiled(tif)
        || orientation != ORIENTATION_TOPLEFT || sampleFormat != SAMPLEFORMAT_UINT)
        return Bitmap();
    if (photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE
        && photometric != PHOTOMETRIC_PALETTE)
        return Bitmap();

    const int entries = 1 << bps;
    std::vector<PaletteEntry> palette;
    if (photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b))
            return Bitmap();
        // Some writers store 8-bit values in the 16-bit colour map.
        bool eightBit = true;
        for (int i = 0; i < entries; ++i)
            if (r[i] > 255 || g[i] > 255 || b[i] > 255)
                eightBit = false;
        const int shift = eightBit ? 0 : 8;
        palette.resize(size_t(entries));
        for (int i = 0; i < entries; ++i)
            palette[size_t(i)] = {uint8_t(b[i] >> shift), uint8_t(g[i] >> shift),
                                  uint8_t(r[i] >> shift), 0};
    } else {
        palette = grayPalette(entries);
        if (photometric == PHOTOMETRIC_MINISWHITE)
            std::reverse(palette.begin(), palette.end());
    }

    Bitmap bmp(int(width), int(height), bps);
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    if (lineSize <= 0 || lineSize > bmp.stride())
        return Bitmap();
    bmp.palette() = std::move(palette);
    for (uint32_t y = 0; y < height; ++y) {
        checkCancelled();
        if (TIFFReadScanline(tif, bmp.scanLine(int(y)), y, 0) < 0)
            fail(s, "TIFF picture cannot be read");
    }
    return bmp;
}

// Rows read through libtiff's RGBA reader at a time, between checks for a
// cancelled decode.
constexpr uint32_t kRgbaBandRows = 64;

struct RgbaImageEnd {
    void operator()(TIFFRGBAImage* image) const { TIFFRGBAImageEnd(image); }
};

// Everything else through libtiff's RGBA reader, straight into a 32-bit
// bitmap, a band of rows at a time.
Bitmap readRgba(TIFF* tif, MemoryStream& s, uint32_t width, uint32_t height)
{
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tif, message))
        throw CodecError(std::string("TIFF picture is not supported: ") + message);
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    bool alpha = false;
    if (TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0)
        alpha = extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA;

    // Four-byte pixels make the bitmap's rows exactly width * 4 bytes long;
    // the reader writes every pixel or fails.
    Bitmap bmp(int(width), int(height), 32, Bitmap::NoFill{});
    auto* raster = reinterpret_cast<uint32_t*>(bmp.bits());
    TIFFRGBAImage reader{};
    if (!TIFFRGBAImageBegin(&reader, tif, 1, message))
        throw CodecError(std::string("TIFF picture cannot be read: ") + message);
    const std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> end(&reader);
    reader.req_orientation = ORIENTATION_TOPLEFT;
    // A band of a bottom-up file comes out turned within itself, and the
    // bands go in from the bottom.
    const bool fromBottom = reader.orientation == ORIENTATION_BOTLEFT || reader.orientation == ORIENTATION_BOTRIGHT
                            || reader.orientation == ORIENTATION_LEFTBOT || reader.orientation == ORIENTATION_RIGHTBOT;
    for (uint32_t row = 0; row < height; row += kRgbaBandRows) {
        checkCancelled();
        const uint32_t rows = std::min(kRgbaBandRows, height - row);
        reader.row_offset = int(row);
        reader.col_offset = 0;
        const uint32_t at = fromBottom ? height - row - rows : row;
        if (!TIFFRGBAImageGet(&reader, raster + size_t(at) * width, width, rows))
            fail(s, "TIFF picture cannot be read");
    }
    // libtiff packs R, G, B, A from the low byte and premultiplies alpha;
    // the bitmap wants B, G, R, A, not premultiplied.
    for (uint32_t y = 0; y < height; ++y) {
        if (y % kRgbaBandRows == 0)
            checkCancelled();
        uint8_t* p = bmp.scanLine(int(y));
        for (uint32_t x = 0; x < width; ++x, p += 4) {
            std::swap(p[0], p[2]);
            if (alpha && p[3] != 255) {
                const unsigned a = p[3];
                for (int c = 0; c < 3; ++c)
                    p[c] = a == 0 ? 0 : uint8_t(std::min(255u, (p[c] * 255u + a / 2) / a));
            }
        }
    }
    bmp.setHasAlpha(alpha);
    return bmp;
}

// Refuses a picture whose strips or tiles cannot hold its samples, given
// the best ratio of its compression, before anything of its size is allocated.
void checkStripSupply(TIFF* tif, uint64_t fileSize, uint32_t width, uint32_t height)
{
    uint16_t spp = 1, bps = 1, compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    uint64_t* counts = nullptr;
    const bool tiled = TIFFIsTiled(tif);
    if (!TIFFGetField(tif, tiled ? TIFFTAG_TILEBYTECOUNTS : TIFFTAG_STRIPBYTECOUNTS, &counts) || !counts)
        throw CodecError("TIFF picture has no image data");
    const uint32_t pieces = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    uint64_t stored = 0;
    for (uint32_t i = 0; i < pieces && stored < fileSize; ++i)
        stored += std::min(counts[i], fileSize);
    stored = std::min(stored, fileSize);
    const uint64_t needed = (uint64_t(width) * spp * bps + 7) / 8 * uint64_t(height);
    constexpr const char* kTruncated = "TIFF picture data is truncated";
    switch (compression) {
    case COMPRESSION_NONE: checkDataSupply(needed, stored, 1, kTruncated); break;
    case COMPRESSION_PACKBITS: checkDataSupply(needed, stored, 64, kTruncated); break;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: checkDataSupply(needed, stored, 1032, kTruncated); break;
    case COMPRESSION_LZW: checkDataSupply(needed, stored, 2731, kTruncated); break;
    // Fax codes and JPEG have no useful bound: a blank picture costs almost nothing.
    default: checkDataSupply(needed, stored, 8192, kTruncated, kSparsePictureSlack); break;
    }
}

}  // namespace

Bitmap TiffImage::decode(const uint8_t* data, size_t size) const
{
    MemoryStream stream{data, size, 0, {}};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options)
        throw CodecError("Out of memory");
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibtiffAlloc);
    TIFFOpenOptionsSetErrorHandlerExtR(options, collectError, &stream);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreWarning, nullptr);
    TiffPtr tif(TIFFClientOpenExt("memory", "r", &stream, streamRead, streamWrite, streamSeek,
                                  streamClose, streamSize, streamMap, streamUnmap, options));
    TIFFOpenOptionsFree(options);
    if (!tif)
        fail(stream, "Not a TIFF picture");

    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width)
        || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        fail(stream, "TIFF picture has no size");
    checkPictureSize(width, height);
    checkStripSupply(tif.get(), size, width, height);

    Bitmap bmp = readIndexed(tif.get(), stream, width, height);
    if (bmp.isNull())
        bmp = readRgba(tif.get(), stream, width, height);
    return bmp;
}

}  // namespace vx
