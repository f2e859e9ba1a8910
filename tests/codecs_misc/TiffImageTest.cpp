#include "codecs/misc/TiffImage.h"
#include "support/ByteBuilder.h"
#include "support/RandomBytes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tiffio.h>

using vx::CodecError;
using vx::TiffImage;

namespace {

struct TiffLayout {
    uint32_t width = 4, height = 2;
    uint16_t bits = 8, samples = 1, photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t extra = 0;  // extra sample kind, 0 for none
    std::vector<uint8_t> pixels;  // packed rows
    std::vector<uint16_t> colormap;  // r, g, b arrays one after the other
};

QString writeTiff(const QTemporaryDir& dir, const char* name, const TiffLayout& s)
{
    const QString path = dir.filePath(name);
    TIFF* t = TIFFOpen(path.toLocal8Bit().constData(), "w");
    if (!t)
        return QString();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, s.width);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, s.height);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, s.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, s.samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, s.photometric);
    TIFFSetField(t, TIFFTAG_COMPRESSION, s.compression);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 1);
    if (s.extra) {
        uint16_t kind = s.extra;
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    if (!s.colormap.empty()) {
        const size_t n = s.colormap.size() / 3;
        TIFFSetField(t, TIFFTAG_COLORMAP, s.colormap.data(), s.colormap.data() + n, s.colormap.data() + 2 * n);
    }
    const size_t rowBytes = (size_t(s.width) * s.bits * s.samples + 7) / 8;
    for (uint32_t y = 0; y < s.height; ++y) {
        std::vector<uint8_t> row(s.pixels.begin() + long(y * rowBytes), s.pixels.begin() + long((y + 1) * rowBytes));
        TIFFWriteScanline(t, row.data(), y, 0);
    }
    TIFFClose(t);
    return path;
}

std::vector<uint8_t> readAll(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray a = f.readAll();
    return std::vector<uint8_t>(a.begin(), a.end());
}

}  // namespace

TEST(TIFFGraphic, PalettePictureStaysIndexed)
{
    QTemporaryDir dir;
    TiffLayout s;
    s.photometric = PHOTOMETRIC_PALETTE;
    s.colormap.assign(3 * 256, 0);
    s.colormap[5] = 0xFF00;            // red of colour 5
    s.colormap[256 + 6] = 0x8000;      // green of colour 6
    s.pixels = {5, 6, 0, 5, 6, 6, 6, 6};
    const QString path = writeTiff(dir, "pal.tif", s);
    TiffImage g;
    g.loadFromFile(path);
    const vx::Bitmap bmp = g.bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFF008000u);
    EXPECT_EQ(bmp.pixel(2, 0), 0xFF000000u);
    EXPECT_EQ(bmp.scanLine(1)[3], 6);
}

TEST(TIFFGraphic, OneBitMinIsWhiteKeepsDepthAndColours)
{
    QTemporaryDir dir;
    TiffLayout s;
    s.width = 10;
    s.bits = 1;
    s.photometric = PHOTOMETRIC_MINISWHITE;
    s.compression = COMPRESSION_CCITTFAX4;
    s.pixels = {0x80, 0x00, 0x40, 0x00};  // row 0: pixel 0 black, row 1: pixel 1 black
    TiffImage g;
    g.loadFromFile(writeTiff(dir, "fax.tif", s));
    const vx::Bitmap bmp = g.bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 1);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.pixel(1, 1), 0xFF000000u);
    EXPECT_EQ(bmp.pixel(9, 1), 0xFFFFFFFFu);
}

TEST(TIFFGraphic, CompressedRgbAndAlphaThroughRgbaReader)
{
    QTemporaryDir dir;
    TiffLayout s;
    s.width = 2;
    s.height = 1;
    s.samples = 3;
    s.photometric = PHOTOMETRIC_RGB;
    s.compression = COMPRESSION_LZW;
    s.pixels = {255, 0, 0, 10, 20, 30};
    TiffImage g;
    g.loadFromFile(writeTiff(dir, "rgb.tif", s));
    EXPECT_EQ(g.bitmap().bitsPerPixel(), 32);
    EXPECT_FALSE(g.bitmap().hasAlpha());
    EXPECT_EQ(g.bitmap().pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(g.bitmap().pixel(1, 0), 0xFF0A141Eu);

    s.samples = 4;
    s.extra = EXTRASAMPLE_UNASSALPHA;
    s.compression = COMPRESSION_ADOBE_DEFLATE;
    s.pixels = {200, 100, 50, 128, 1, 2, 3, 0};
    g.loadFromFile(writeTiff(dir, "rgba.tif", s));
    ASSERT_TRUE(g.bitmap().hasAlpha());
    const uint32_t p = g.bitmap().pixel(0, 0);
    EXPECT_EQ(p >> 24, 128u);
    // Straight colour comes back within rounding of the premultiplied round trip.
    EXPECT_NEAR(int((p >> 16) & 255), 200, 2);
    EXPECT_NEAR(int((p >> 8) & 255), 100, 2);
    EXPECT_NEAR(int(p & 255), 50, 2);
    EXPECT_EQ(g.bitmap().pixel(1, 0) >> 24, 0u);
}

TEST(TIFFGraphic, SixteenBitGray)
{
    QTemporaryDir dir;
    TiffLayout s;
    s.width = 2;
    s.height = 1;
    s.bits = 16;
    const uint16_t values[2] = {0xFFFF, 0x8080};
    s.pixels.resize(4);
    std::memcpy(s.pixels.data(), values, 4);
    TiffImage g;
    g.loadFromFile(writeTiff(dir, "gray16.tif", s));
    EXPECT_EQ(g.bitmap().pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(g.bitmap().pixel(1, 0), 0xFF808080u);
}

TEST(TIFFGraphic, BadInputIsRefusedQuietly)
{
    QTemporaryDir dir;
    TiffLayout s;
    s.width = 64;
    s.height = 64;
    s.pixels.assign(64 * 64, 99);
    const std::vector<uint8_t> good = readAll(writeTiff(dir, "good.tif", s));
    TiffImage g;
    testing::internal::CaptureStderr();
    EXPECT_THROW(g.loadFromData(nullptr, 0), CodecError);
    EXPECT_THROW(g.loadFromData(good.data(), 6), CodecError);
    // Cut inside the pixel data: the strips are missing.
    EXPECT_THROW(g.loadFromData(good.data(), good.size() / 2), CodecError);
    const auto noise = vxtest::randomBytes(4096, 1);
    EXPECT_THROW(g.loadFromData(noise.data(), noise.size()), CodecError);
    for (unsigned seed = 0; seed < 100; ++seed) {
        std::vector<uint8_t> bytes = good;
        std::mt19937 rng(seed);
        for (int i = 0; i < 8; ++i)
            bytes[rng() % bytes.size()] = uint8_t(rng());
        try {
            g.loadFromData(bytes.data(), bytes.size());
        } catch (const CodecError&) {
        }
    }
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_EQ(printed, "");

    // The error text names libtiff's complaint.
    try {
        g.loadFromData(noise.data(), noise.size());
        FAIL();
    } catch (const CodecError& e) {
        EXPECT_NE(std::string(e.what()).find("TIFF"), std::string::npos);
    }
}

TEST(TIFFGraphic, HugeDimensionsAreRefused)
{
    // A little-endian TIFF header with one directory claiming 100000 x 100000.
    vxtest::Bytes b;
    b.u8(0x49).u8(0x49).u16le(42).u32le(8).u16le(5);
    auto entry = [&](unsigned tag, unsigned type, uint32_t value) {
        b.u16le(tag).u16le(type).u32le(1).u32le(value);
    };
    entry(256, 4, 100000);
    entry(257, 4, 100000);
    entry(258, 3, 8);
    entry(262, 3, 1);
    entry(273, 4, 0);
    b.u32le(0);
    TiffImage g;
    EXPECT_THROW(g.loadFromData(b.data(), b.size()), CodecError);
}
