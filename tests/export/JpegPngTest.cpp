// JPEG and PNG files read back by libjpeg-turbo and libpng.
#include "export/SaveToFileFunctions.h"
#include "ExportTestUtil.h"

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>

using namespace exporttest;

namespace {

struct Decoded {
    int width = 0, height = 0, components = 0;
    bool progressive = false;
    std::vector<uint8_t> pixels;  // RGB or gray
};

Decoded decodeJpeg(const QByteArray& bytes)
{
    Decoded d;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    d.progressive = cinfo.progressive_mode;
    jpeg_start_decompress(&cinfo);
    d.width = int(cinfo.output_width);
    d.height = int(cinfo.output_height);
    d.components = cinfo.output_components;
    d.pixels.resize(size_t(d.width) * d.height * d.components);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = d.pixels.data() + size_t(cinfo.output_scanline) * d.width * d.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return d;
}

int maxJpegError(const Decoded& d, const vx::Bitmap& b)
{
    int worst = 0;
    for (int y = 0; y < d.height; ++y)
        for (int x = 0; x < d.width; ++x) {
            const uint32_t c = b.pixel(x, y);
            const uint8_t* p = d.pixels.data() + (size_t(y) * d.width + x) * 3;
            worst = std::max({worst, std::abs(p[0] - int((c >> 16) & 255)),
                              std::abs(p[1] - int((c >> 8) & 255)), std::abs(p[2] - int(c & 255))});
        }
    return worst;
}

std::vector<uint32_t> decodePng(const QString& path, int& w, int& h)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, QFile::encodeName(path).constData()))
        return {};
    image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB words on little-endian machines
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr))
        return {};
    w = int(image.width);
    h = int(image.height);
    return pixels;
}

class JpegPng : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(JpegPng, JpegRoundTripAtEveryDepth)
{
    const vx::Bitmap smooth = gradient(67, 45);
    vx::WriteJpeg(smooth, path("a.jpg"), false, 100);
    Decoded d = decodeJpeg(readAll(path("a.jpg")));
    ASSERT_EQ(d.width, 67);
    ASSERT_EQ(d.height, 45);
    EXPECT_EQ(d.components, 3);
    EXPECT_FALSE(d.progressive);
    EXPECT_LE(maxJpegError(d, smooth), 6);

    // Palette, 16 and 32-bit pictures go through 24 bits; flat areas survive.
    for (int bpp : {1, 4, 8, 16, 32}) {
        SCOPED_TRACE(bpp);
        vx::Bitmap b = vx::Bitmap::fromImage(smooth.toImage().convertToFormat(QImage::Format_RGB32));
        if (bpp != 32) {
            b = vx::Bitmap(16, 16, bpp);
            if (bpp <= 8)
                b.palette() = {{10, 200, 30, 0}, {0, 0, 0, 0}};
            else
                std::fill(b.bits(), b.bits() + b.byteCount(), uint8_t(0x21));
        }
        vx::WriteJpeg(b, path("b.jpg"), false, 95);
        d = decodeJpeg(readAll(path("b.jpg")));
        ASSERT_EQ(d.width, b.width());
        EXPECT_LE(maxJpegError(d, b), 6);
    }
}

TEST_F(JpegPng, JpegGrayscaleAndBaselineTables)
{
    vx::WriteJpeg(gradient(32, 32), path("g.jpg"), true, 90);
    EXPECT_EQ(decodeJpeg(readAll(path("g.jpg"))).components, 1);

    // Quality 1 with baseline tables: every quantiser fits 8 bits, so the
    // frame is baseline (SOF0) rather than extended (SOF1).
    vx::WriteJpeg(gradient(32, 32), path("q1.jpg"), false, 1);
    const QByteArray q1 = readAll(path("q1.jpg"));
    EXPECT_TRUE(q1.contains("\xFF\xC0"));
    EXPECT_FALSE(q1.contains("\xFF\xC1"));
    // Out-of-range qualities are clamped rather than rejected.
    vx::WriteJpeg(gradient(8, 8), path("q0.jpg"), false, 0);
    vx::WriteJpeg(gradient(8, 8), path("q1b.jpg"), false, 1);
    EXPECT_EQ(readAll(path("q0.jpg")), readAll(path("q1b.jpg")));
}

TEST_F(JpegPng, PngRoundTripAtEveryDepth)
{
    struct Case {
        int bpp;
        bool alpha;
        int colourType;
        int bitDepth;
    };
    for (const Case c : {Case{1, false, 3, 1}, Case{4, false, 3, 4}, Case{8, false, 3, 8},
                         Case{16, false, 2, 8}, Case{24, false, 2, 8}, Case{32, false, 2, 8},
                         Case{32, true, 6, 8}}) {
        SCOPED_TRACE(c.bpp * 10 + c.alpha);
        const vx::Bitmap b = patterned(21, 7, c.bpp, c.alpha);
        vx::WritePng(b, path("a.png"), 6);
        const QByteArray f = readAll(path("a.png"));
        ASSERT_GT(f.size(), 33);
        EXPECT_EQ(int(uint8_t(f[24])), c.bitDepth);
        EXPECT_EQ(int(uint8_t(f[25])), c.colourType);
        int w = 0, h = 0;
        const std::vector<uint32_t> px = decodePng(path("a.png"), w, h);
        ASSERT_EQ(w, 21);
        ASSERT_EQ(h, 7);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(px[size_t(y * w + x)], b.pixel(x, y)) << x << "," << y;
    }
}

TEST_F(JpegPng, PngCompressionLevel)
{
    const vx::Bitmap b = patterned(200, 100, 24);
    vx::WritePng(b, path("l0.png"), 0);
    vx::WritePng(b, path("l9.png"), 9);
    vx::WritePng(b, path("l6.png"), 6);
    vx::WritePng(b, path("l12.png"), 12);
    EXPECT_GT(readAll(path("l0.png")).size(), readAll(path("l9.png")).size());
    EXPECT_GT(readAll(path("l0.png")).size(), 200 * 100 * 3);
    EXPECT_EQ(readAll(path("l12.png")), readAll(path("l6.png")));
}

TEST_F(JpegPng, OtherPicturesAndGifFrames)
{
    // A non-bitmap picture with transparency is flattened over white; a GIF
    // frame keeps its palette.
    vx::Bitmap rgba = patterned(5, 5, 32, true);
    vx::WritePng({rgba, vx::PictureKind::Other}, path("o.png"), 6);
    EXPECT_EQ(int(uint8_t(readAll(path("o.png"))[25])), 2);
    vx::WritePng({patterned(5, 5, 8), vx::PictureKind::GifImage}, path("g.png"), 6);
    EXPECT_EQ(int(uint8_t(readAll(path("g.png"))[25])), 3);
    vx::WriteBmp({patterned(5, 5, 8), vx::PictureKind::GifImage}, path("g.bmp"));
    EXPECT_EQ(le16(readAll(path("g.bmp")), 28), 8u);
    vx::WriteBmp({patterned(5, 5, 8), vx::PictureKind::Other}, path("o.bmp"));
    EXPECT_EQ(le16(readAll(path("o.bmp")), 28), 24u);
}

TEST_F(JpegPng, EmfHoldsTheTwentyFourBitPicture)
{
    // Even an 8-bit bitmap is drawn from its 24-bit copy.
    const vx::Bitmap b = patterned(9, 7, 8);
    writeAll(path("a.emf"), "old");
    vx::WriteEmf(b, path("a.emf"));
    const QByteArray f = readAll(path("a.emf"));
    ASSERT_GT(f.size(), 88);
    EXPECT_EQ(le32(f, 0), 1u);             // EMR_HEADER
    EXPECT_EQ(le32(f, 40), 0x464D4520u);   // " EMF"
    EXPECT_EQ(le32(f, 48), uint32_t(f.size()));
    EXPECT_TRUE(f.contains(QByteArray("\x51\x00\x00\x00", 4)));  // EMR_STRETCHDIBITS
    EXPECT_THROW(vx::WriteEmf(vx::Bitmap(), path("a.emf")), vx::SaveError);
    EXPECT_EQ(readAll(path("a.emf")), f);
}
