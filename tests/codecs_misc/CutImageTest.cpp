#include "codecs/misc/CutImage.h"
#include "support/ByteBuilder.h"
#include "support/RandomBytes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::CodecError;
using vx::CutImage;
using vxtest::Bytes;

namespace {

// 4 x 2: row 0 is a run of four 7s, row 1 literals 1 2 3 and a run of one 9.
Bytes picture()
{
    Bytes b;
    b.u16le(4).u16le(2).u16le(0);
    b.u16le(3).u8(0x84).u8(7).u8(0);
    b.u16le(7).u8(0x03).u8(1).u8(2).u8(3).u8(0x81).u8(9).u8(0);
    return b;
}

// Dr. Halo palette: colour i is (i * 10, 0, maxValue - i) with values up to maxValue.
Bytes palette(int colours, unsigned maxValue)
{
    Bytes b;
    b.str("AH").u16le(0xE3).u16le(0).u8('P').u8(0).u16le(0).u16le(0);
    b.u16le(unsigned(colours - 1)).u16le(maxValue).u16le(maxValue).u16le(maxValue);
    b.str("Dr. Halo").fill(12);
    for (int i = 0; i < colours; ++i) {
        if (b.size() % 512 > 506)
            b.fill(512 - b.size() % 512);
        b.u16le(unsigned(i) * 10).u16le(0).u16le(maxValue - unsigned(i));
    }
    return b;
}

}  // namespace

TEST(CUTGraphic, RowsDecodeAsGrayWithoutPalette)
{
    CutImage g;
    const Bytes b = picture();
    g.loadFromData(b.data(), b.size());
    const vx::Bitmap bmp = g.bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.width(), 4);
    EXPECT_EQ(bmp.height(), 2);
    EXPECT_EQ(bmp.scanLine(0)[3], 7);
    const uint8_t row1[4] = {1, 2, 3, 9};
    EXPECT_EQ(std::vector<uint8_t>(bmp.scanLine(1), bmp.scanLine(1) + 4),
              std::vector<uint8_t>(row1, row1 + 4));
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF070707u);
}

TEST(CUTGraphic, PaletteEntriesSkipBlockTailsAndAreScaled)
{
    // 100 colours cross the first 512-byte block boundary.
    const Bytes pal = palette(100, 1000);
    const auto entries = CutImage::parseHaloPalette(pal.data(), pal.size());
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_EQ(entries[2].red, 2 * 10 * 255 / 1000);
    EXPECT_EQ(entries[2].blue, 998 * 255 / 1000);
    // Entry 78 is the first one of the second block.
    EXPECT_EQ(entries[78].red, 780 * 255 / 1000);
    EXPECT_EQ(entries[99].red, 990 * 255 / 1000);
    EXPECT_THROW(CutImage::parseHaloPalette(pal.data(), 10), CodecError);
    Bytes notHalo;
    notHalo.str("XX").fill(60);
    EXPECT_THROW(CutImage::parseHaloPalette(notHalo.data(), notHalo.size()), CodecError);
}

TEST(CUTGraphic, PaletteFileBesidePictureInAnyCase)
{
    QTemporaryDir dir;
    ASSERT_TRUE(vxtest::writeFile(dir.filePath("scan.cut"), picture().bytes()));
    CutImage g;
    g.loadFromFile(dir.filePath("scan.cut"));
    EXPECT_EQ(g.bitmap().pixel(0, 0), 0xFF070707u);  // no palette yet: gray

    ASSERT_TRUE(vxtest::writeFile(dir.filePath("scan.PAL"), palette(16, 255).bytes()));
    EXPECT_EQ(CutImage::findPaletteFile(dir.filePath("scan.cut")), dir.filePath("scan.PAL"));
    g.loadFromFile(dir.filePath("scan.cut"));
    EXPECT_EQ(g.bitmap().pixel(0, 0), 0xFF4600F8u);  // colour 7: red 70, blue 248
    // Another base name does not match.
    ASSERT_TRUE(vxtest::writeFile(dir.filePath("other.cut"), picture().bytes()));
    EXPECT_TRUE(CutImage::findPaletteFile(dir.filePath("other.cut")).isEmpty());
    // A damaged palette leaves gray levels.
    ASSERT_TRUE(vxtest::writeFile(dir.filePath("other.pal"), {'A', 'H', 1}));
    g.loadFromFile(dir.filePath("other.cut"));
    EXPECT_EQ(g.bitmap().pixel(0, 0), 0xFF070707u);
}

TEST(CUTGraphic, BadInputIsRefused)
{
    CutImage g;
    EXPECT_THROW(g.loadFromData(nullptr, 0), CodecError);
    const Bytes good = picture();
    for (size_t cut : {size_t(3), size_t(6), size_t(9), good.size() - 1})
        EXPECT_THROW(g.loadFromData(good.data(), cut), CodecError) << cut;
    // Huge and empty sizes.
    Bytes huge;
    huge.u16le(65535).u16le(65535).u16le(0).fill(8);
    EXPECT_THROW(g.loadFromData(huge.data(), huge.size()), CodecError);
    Bytes empty;
    empty.u16le(0).u16le(3).u16le(0).fill(8);
    EXPECT_THROW(g.loadFromData(empty.data(), empty.size()), CodecError);
    // A run and a literal past the row's end.
    Bytes run;
    run.u16le(2).u16le(1).u16le(0).u16le(3).u8(0x83).u8(1).u8(0);
    EXPECT_THROW(g.loadFromData(run.data(), run.size()), CodecError);
    Bytes literal;
    literal.u16le(2).u16le(1).u16le(0).u16le(5).u8(0x03).u8(1).u8(2).u8(3).u8(0);
    EXPECT_THROW(g.loadFromData(literal.data(), literal.size()), CodecError);
    EXPECT_TRUE(g.bitmap().isNull());
    for (unsigned seed = 0; seed < 200; ++seed) {
        const auto bytes = vxtest::randomBytes(50 + seed, seed);
        try {
            g.loadFromData(bytes.data(), bytes.size());
        } catch (const CodecError&) {
        }
    }
}
