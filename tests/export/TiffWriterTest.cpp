// The TIFF writer's bytes: layouts, offsets, tags, and libtiff reading the
// files back with the same pixels.
#include "export/Bmp2Tiff.h"
#include "export/SafeFile.h"
#include "ExportTestUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <tiffio.h>

using namespace exporttest;

namespace {

struct Entry {
    uint32_t type, count, value;
};

struct Parsed {
    QByteArray bytes;
    uint32_t ifd = 0;
    std::vector<uint32_t> tags;  // in file order
    std::map<uint32_t, Entry> entries;
};

Parsed writeAndParse(const QString& path, const vx::Bitmap& bitmap)
{
    vx::WriteTiff(path, bitmap);
    Parsed p;
    p.bytes = readAll(path);
    EXPECT_EQ(p.bytes.left(4), QByteArray("II\x2a\x00", 4));
    p.ifd = le32(p.bytes, 4);
    const uint32_t n = le16(p.bytes, p.ifd);
    EXPECT_EQ(qsizetype(p.ifd + 2 + 12 * n + 4), p.bytes.size()) << "directory ends the file";
    for (uint32_t i = 0; i < n; ++i) {
        const qsizetype at = p.ifd + 2 + 12 * i;
        const uint32_t tag = le16(p.bytes, at), type = le16(p.bytes, at + 2), count = le32(p.bytes, at + 4);
        uint32_t value = le32(p.bytes, at + 8);
        if (type == 3 && count == 1) {
            EXPECT_EQ(le16(p.bytes, at + 10), 0u) << "tag " << tag;
            value = le16(p.bytes, at + 8);
        }
        p.tags.push_back(tag);
        p.entries[tag] = {type, count, value};
    }
    EXPECT_EQ(le32(p.bytes, p.ifd + 2 + 12 * n), 0u) << "no next directory";
    return p;
}

void expectCommonElements(const Parsed& p, uint32_t xres, uint32_t software)
{
    EXPECT_EQ(p.entries.at(282).value, xres);
    EXPECT_EQ(p.entries.at(283).value, xres + 8);
    EXPECT_EQ(le32(p.bytes, xres), 877u);
    EXPECT_EQ(le32(p.bytes, xres + 4), 10u);
    EXPECT_EQ(le32(p.bytes, xres + 8), 877u);
    EXPECT_EQ(le32(p.bytes, xres + 12), 10u);
    EXPECT_EQ(p.entries.at(305).type, 2u);
    EXPECT_EQ(p.entries.at(305).count, 10u);
    EXPECT_EQ(p.entries.at(305).value, software);
    EXPECT_EQ(p.bytes.mid(software, 10), QByteArray("Quendarith"));
    EXPECT_EQ(p.entries.at(296).value, 2u);
    EXPECT_EQ(p.entries.at(254).type, 4u);
    EXPECT_EQ(p.entries.at(254).value, 0u);
    EXPECT_EQ(p.entries.at(259).value, 1u);
    EXPECT_TRUE(std::is_sorted(p.tags.begin(), p.tags.end()));
}

// Every pixel as libtiff decodes it (ABGR, bottom-up) against the bitmap.
void expectLibtiffPixels(const QString& path, const vx::Bitmap& bitmap, int expectedWidth = -1)
{
    TIFFSetWarningHandler(nullptr);
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    ASSERT_EQ(int(w), expectedWidth < 0 ? bitmap.width() : expectedWidth);
    ASSERT_EQ(int(h), bitmap.height());
    std::vector<uint32_t> raster(size_t(w) * h);
    ASSERT_EQ(TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0), 1);
    TIFFClose(tif);
    int bad = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t got = raster[y * w + x];
            const uint32_t want = bitmap.pixel(int(x), int(y));
            const uint32_t gotRgb = (TIFFGetR(got) << 16) | (TIFFGetG(got) << 8) | TIFFGetB(got);
            if (gotRgb != (want & 0xFFFFFF) && bad++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " got " << std::hex << gotRgb
                              << " want " << (want & 0xFFFFFF);
        }
    EXPECT_EQ(bad, 0);
}

class TiffWriter : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(TiffWriter, RgbLayoutOfThreeByTwo)
{
    const vx::Bitmap b = patterned(3, 2, 24);
    const Parsed p = writeAndParse(path("a.tiff"), b);
    EXPECT_EQ(p.ifd, 58u);
    EXPECT_EQ(p.bytes.size(), 58 + 2 + 15 * 12 + 4);
    EXPECT_EQ(p.tags, (std::vector<uint32_t>{254, 256, 257, 258, 259, 262, 273, 277, 278, 279, 282,
                                             283, 284, 296, 305}));
    expectCommonElements(p, 8, 30);
    EXPECT_EQ(p.entries.at(256).value, 3u);
    EXPECT_EQ(p.entries.at(257).value, 2u);
    EXPECT_EQ(p.entries.at(258).type, 3u);
    EXPECT_EQ(p.entries.at(258).count, 3u);
    EXPECT_EQ(p.entries.at(258).value, 24u);
    EXPECT_EQ(p.bytes.mid(24, 6), QByteArray("\x08\x00\x08\x00\x08\x00", 6));
    EXPECT_EQ(p.entries.at(262).value, 2u);
    EXPECT_EQ(p.entries.at(273).value, 40u);
    EXPECT_EQ(p.entries.at(277).value, 3u);
    EXPECT_EQ(p.entries.at(278).value, 2u);
    EXPECT_EQ(p.entries.at(279).value, 18u);
    EXPECT_EQ(p.entries.at(284).value, 1u);
    // Pixel data: top row first, red, green, blue.
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const uint32_t c = b.pixel(x, y);
            const qsizetype at = 40 + (y * 3 + x) * 3;
            EXPECT_EQ(uint8_t(p.bytes[at]), uint8_t(c >> 16));
            EXPECT_EQ(uint8_t(p.bytes[at + 1]), uint8_t(c >> 8));
            EXPECT_EQ(uint8_t(p.bytes[at + 2]), uint8_t(c));
        }
    expectLibtiffPixels(path("a.tiff"), b);
}

TEST_F(TiffWriter, ThirtyTwoBitsDropTheFourthByteAndSixteenBitsBecomeRgb)
{
    const vx::Bitmap b32 = patterned(5, 4, 32);
    writeAndParse(path("a32.tiff"), b32);
    writeAndParse(path("a24.tiff"), b32.converted24());
    EXPECT_EQ(readAll(path("a32.tiff")), readAll(path("a24.tiff")));
    expectLibtiffPixels(path("a32.tiff"), b32);

    const vx::Bitmap b16 = patterned(6, 3, 16);
    const Parsed p = writeAndParse(path("a16.tiff"), b16);
    EXPECT_EQ(p.ifd, 40u + 6 * 3 * 3);
    EXPECT_EQ(p.entries.at(277).value, 3u);
    expectLibtiffPixels(path("a16.tiff"), b16);
}

TEST_F(TiffWriter, PaletteLayoutOfEightBits)
{
    const vx::Bitmap b = patterned(10, 3, 8);
    const Parsed p = writeAndParse(path("p8.tiff"), b);
    EXPECT_EQ(p.tags.size(), 15u);
    expectCommonElements(p, 8 + 1536, 8 + 1536 + 16);
    EXPECT_EQ(p.entries.at(320).type, 3u);
    EXPECT_EQ(p.entries.at(320).count, 768u);
    EXPECT_EQ(p.entries.at(320).value, 8u);
    EXPECT_EQ(p.entries.at(273).value, 1570u);
    EXPECT_EQ(p.entries.at(258).value, 8u);
    EXPECT_EQ(p.entries.at(262).value, 3u);
    EXPECT_EQ(p.entries.at(279).value, 30u);
    EXPECT_EQ(p.ifd, 1570u + 30);
    // Colour map: component x 256, reds then greens then blues.
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(le16(p.bytes, 8 + 2 * i), uint32_t(b.palette()[size_t(i)].red) << 8);
        EXPECT_EQ(le16(p.bytes, 8 + 512 + 2 * i), uint32_t(b.palette()[size_t(i)].green) << 8);
        EXPECT_EQ(le16(p.bytes, 8 + 1024 + 2 * i), uint32_t(b.palette()[size_t(i)].blue) << 8);
    }
    EXPECT_EQ(p.bytes.mid(1570, 10), QByteArray(reinterpret_cast<const char*>(b.scanLine(0)), 10));
    expectLibtiffPixels(path("p8.tiff"), b);
}

TEST_F(TiffWriter, FourBitPicturesKeepAnOddWidth)
{
    const vx::Bitmap b = patterned(7, 3, 4);
    const Parsed p = writeAndParse(path("p4.tiff"), b);
    EXPECT_EQ(p.entries.at(256).value, 7u);
    EXPECT_EQ(p.entries.at(258).value, 4u);
    EXPECT_EQ(p.entries.at(320).count, 48u);
    EXPECT_EQ(p.entries.at(273).value, 8u + 96 + 26);
    EXPECT_EQ(p.entries.at(279).value, 3u * 4);
    // The unused low nibble of each row's last byte is zero.
    EXPECT_EQ(uint8_t(p.bytes[130 + 3]) & 0x0F, 0);
    expectLibtiffPixels(path("p4.tiff"), b);
}

TEST_F(TiffWriter, BilevelRowsOfANineWidePicture)
{
    vx::Bitmap b = patterned(9, 5, 1);
    b.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    const Parsed p = writeAndParse(path("b.tiff"), b);
    EXPECT_EQ(p.tags, (std::vector<uint32_t>{254, 256, 257, 258, 259, 262, 273, 277, 278, 279, 282,
                                             283, 296, 305}));
    EXPECT_EQ(p.entries.at(279).value, 10u);
    EXPECT_EQ(p.entries.at(273).value, 8u);
    EXPECT_EQ(p.entries.at(262).value, 1u);
    EXPECT_EQ(p.entries.at(258).value, 1u);
    expectCommonElements(p, 18, 34);
    EXPECT_EQ(p.ifd, 18u + 26);
    EXPECT_EQ(uint8_t(p.bytes[8]), b.scanLine(0)[0]);
    EXPECT_EQ(uint8_t(p.bytes[9]), b.scanLine(0)[1] & 0x80);
    expectLibtiffPixels(path("b.tiff"), b);

    // Index 0 white: the bits are inverted so black stays black.
    b.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    const Parsed q = writeAndParse(path("bi.tiff"), b);
    EXPECT_EQ(uint8_t(q.bytes[8]), uint8_t(~b.scanLine(0)[0]));
    expectLibtiffPixels(path("bi.tiff"), b);
}

TEST_F(TiffWriter, FailuresKeepTheOldFile)
{
    writeAll(path("old.tiff"), "old");
    EXPECT_THROW(vx::WriteTiff(path("old.tiff"), vx::Bitmap()), vx::SaveError);
    EXPECT_EQ(readAll(path("old.tiff")), QByteArray("old"));
    QDir(dir.path()).mkdir("folder.tiff");
    EXPECT_THROW(vx::WriteTiff(path("folder.tiff"), patterned(2, 2, 24)), vx::SaveError);
    EXPECT_TRUE(QFileInfo(path("folder.tiff")).isDir());
}
