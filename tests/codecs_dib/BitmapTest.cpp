#include "codecs/dib/BmpImage.h"
#include "codecs_dib/BmpFiles.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vxtest;
using vx::Bitmap;
using vx::CodecError;
using vx::BmpImage;

namespace {

Bitmap load(const Bytes& file)
{
    BmpImage g;
    g.loadFromData(file.data(), file.size());
    return g.bitmap();
}

}  // namespace

TEST(Bitmap, TrueColourRowsBottomUpAndTopDown)
{
    // 3 x 2, rows padded from 9 to 12 bytes; first stored row is the bottom.
    Bytes px;
    px.raw({0, 0, 255, 0, 255, 0, 255, 0, 0}).fill(3);           // bottom: red green blue
    px.raw({255, 255, 255, 0, 0, 0, 10, 20, 30}).fill(3);        // top: white black (30,20,10)
    Bitmap b = load(bmpFile(infoHeader(3, 2, 24), px));
    ASSERT_EQ(b.bitsPerPixel(), 24);
    EXPECT_EQ(b.pixel(0, 1), rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(2, 1), rgb(0, 0, 255));
    EXPECT_EQ(b.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(b.pixel(2, 0), rgb(30, 20, 10));

    Bitmap top = load(bmpFile(infoHeader(3, -2, 24), px));
    EXPECT_EQ(top.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(top.pixel(2, 1), rgb(30, 20, 10));
}

TEST(Bitmap, IndexedKeepsDepthAndPalette)
{
    // 1 bit: 10 x 1, bits 1010000011.
    Bytes mono = infoHeader(10, 1, 1);
    mono.append(palette({0x000000, 0xFFFFFF}));
    Bytes px;
    px.raw({0xA0, 0xC0, 0, 0});
    Bitmap b1 = load(bmpFile(mono, px));
    ASSERT_EQ(b1.bitsPerPixel(), 1);
    ASSERT_EQ(b1.palette().size(), 2u);
    EXPECT_EQ(b1.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(b1.pixel(1, 0), rgb(0, 0, 0));
    EXPECT_EQ(b1.pixel(9, 0), rgb(255, 255, 255));

    // 4 bits with only 3 palette entries: the palette is completed with black,
    // so index 7 (beyond the file's palette) shows black, not garbage.
    Bytes four = infoHeader(4, 1, 4, 0, 3);
    four.append(palette({0xFF0000, 0x00FF00, 0x0000FF}));
    Bytes px4;
    px4.raw({0x01, 0x27, 0, 0});
    Bitmap b4 = load(bmpFile(four, px4));
    ASSERT_EQ(b4.bitsPerPixel(), 4);
    ASSERT_EQ(b4.palette().size(), 16u);
    EXPECT_EQ(b4.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(b4.pixel(1, 0), rgb(0, 255, 0));
    EXPECT_EQ(b4.pixel(2, 0), rgb(0, 0, 255));
    EXPECT_EQ(b4.pixel(3, 0), rgb(0, 0, 0));
}

TEST(Bitmap, Os2CoreHeaderWithThreeBytePalette)
{
    Bytes dib;
    dib.u32le(12).u16le(2).u16le(1).u16le(1).u16le(8);
    dib.raw({0, 0, 0, 0x10, 0x20, 0x30});  // two 3-byte entries (B, G, R)
    dib.fill(254 * 3);
    Bytes px;
    px.raw({1, 0, 0, 0});
    Bitmap b = load(bmpFile(dib, px));
    ASSERT_EQ(b.bitsPerPixel(), 8);
    EXPECT_EQ(b.pixel(0, 0), rgb(0x30, 0x20, 0x10));
    EXPECT_EQ(b.pixel(1, 0), rgb(0, 0, 0));
}

TEST(Bitmap, SixteenAndThirtyTwoBitFields)
{
    // 16-bit 5-5-5 without masks stays 16 bits.
    Bytes px16;
    px16.u16le(0x7C00).u16le(0x001F);
    Bitmap b555 = load(bmpFile(infoHeader(2, 1, 16), px16));
    EXPECT_EQ(b555.bitsPerPixel(), 16);
    EXPECT_EQ(b555.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(b555.pixel(1, 0), rgb(0, 0, 255));

    // 5-6-5 masks become 24 bits.
    Bytes h565 = infoHeader(2, 1, 16, 3);
    h565.u32le(0xF800).u32le(0x07E0).u32le(0x001F);
    Bytes px565;
    px565.u16le(0x07E0).u16le(0x8410);
    Bitmap b565 = load(bmpFile(h565, px565));
    EXPECT_EQ(b565.bitsPerPixel(), 24);
    EXPECT_EQ(b565.pixel(0, 0), rgb(0, 255, 0));
    EXPECT_EQ(b565.pixel(1, 0), rgb(132, 130, 132));

    // v5 header with an alpha mask: alpha kept.
    Bytes v5 = infoHeader(2, 1, 32, 3, 0, 124);
    v5.u32le(0x00FF0000).u32le(0x0000FF00).u32le(0x000000FF).u32le(0xFF000000).fill(124 - 56);
    Bytes px32;
    px32.raw({1, 2, 3, 128, 4, 5, 6, 255});
    Bitmap a = load(bmpFile(v5, px32));
    ASSERT_EQ(a.bitsPerPixel(), 32);
    EXPECT_TRUE(a.hasAlpha());
    EXPECT_EQ(a.pixel(0, 0), 0x80030201u);

    // Plain 32-bit: the fourth byte is not alpha.
    Bitmap plain = load(bmpFile(infoHeader(2, 1, 32), px32));
    EXPECT_FALSE(plain.hasAlpha());
    EXPECT_EQ(plain.pixel(0, 0), rgb(3, 2, 1));

    // Swapped masks (red in the low byte).
    Bytes swapped = infoHeader(1, 1, 32, 3);
    swapped.u32le(0x000000FF).u32le(0x0000FF00).u32le(0x00FF0000);
    Bytes pxs;
    pxs.raw({10, 20, 30, 0});
    Bitmap s = load(bmpFile(swapped, pxs));
    EXPECT_EQ(s.pixel(0, 0), rgb(10, 20, 30));
}

TEST(Bitmap, Rle8RunsAbsoluteDeltaAndEnd)
{
    // 4 x 3, bottom-up. Row 0 (bottom): run of 3 x index 1, then absolute
    // [2 3 2] would overflow -> use absolute of 3 on row 1 instead.
    Bytes dib = infoHeader(4, 3, 8, 1);
    dib.append(palette({0x000000, 0xFF0000, 0x00FF00, 0x0000FF}));
    dib.fill((256 - 4) * 4);
    Bytes rle;
    rle.raw({3, 1, 0, 0});                // bottom row: 1 1 1 0
    rle.raw({0, 3, 2, 3, 2, 0, 0, 0});    // row 1: absolute 2 3 2 (padded), end of line
    rle.raw({0, 2, 1, 0});                // delta: x+1 on row 2
    rle.raw({2, 3, 0, 1});                // two of index 3, end of bitmap
    Bitmap b = load(bmpFile(dib, rle));
    ASSERT_EQ(b.bitsPerPixel(), 8);
    const uint32_t red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255), black = rgb(0, 0, 0);
    EXPECT_EQ(b.pixel(0, 2), red);
    EXPECT_EQ(b.pixel(2, 2), red);
    EXPECT_EQ(b.pixel(3, 2), black);
    EXPECT_EQ(b.pixel(0, 1), green);
    EXPECT_EQ(b.pixel(1, 1), blue);
    EXPECT_EQ(b.pixel(2, 1), green);
    EXPECT_EQ(b.pixel(0, 0), black);
    EXPECT_EQ(b.pixel(1, 0), blue);
    EXPECT_EQ(b.pixel(2, 0), blue);
}

TEST(Bitmap, Rle4NibblesAndOverlongRunIsClippedToTheRow)
{
    Bytes dib = infoHeader(3, 2, 4, 2);
    dib.append(palette({0x000000, 0xFF0000, 0x00FF00}));
    dib.fill(13 * 4);
    Bytes rle;
    rle.raw({5, 0x12, 0, 0});        // 1 2 1 (2 1 dropped past the edge), end of line
    rle.raw({0, 3, 0x21, 0x20, 0, 1});  // absolute 2 1 2, end of bitmap
    Bitmap b = load(bmpFile(dib, rle));
    ASSERT_EQ(b.bitsPerPixel(), 4);
    EXPECT_EQ(b.pixel(0, 1), rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(1, 1), rgb(0, 255, 0));
    EXPECT_EQ(b.pixel(2, 1), rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(0, 0), rgb(0, 255, 0));
    EXPECT_EQ(b.pixel(1, 0), rgb(255, 0, 0));
}

TEST(Bitmap, RleOverrunsAndTruncationAreErrors)
{
    Bytes dib = infoHeader(2, 1, 8, 1, 2);
    dib.append(palette({0, 0xFFFFFF}));
    Bytes pastPicture;
    pastPicture.raw({2, 1, 0, 0, 1, 1, 0, 1});  // a pixel on a row that doesn't exist
    EXPECT_THROW(load(bmpFile(dib, pastPicture)), CodecError);
    Bytes deltaPast;
    deltaPast.raw({0, 2, 0, 5, 0, 1});
    EXPECT_THROW(load(bmpFile(dib, deltaPast)), CodecError);
    Bytes cut;
    cut.raw({0, 5, 1});  // absolute run of 5 with one byte
    EXPECT_THROW(load(bmpFile(dib, cut)), CodecError);
    Bytes noEnd;
    noEnd.raw({1, 1});  // stops inside the first row
    EXPECT_THROW(load(bmpFile(dib, noEnd)), CodecError);
}

TEST(Bitmap, PackedDibAndFiles)
{
    Bytes dib = infoHeader(1, 1, 24);
    dib.raw({7, 8, 9, 0});
    EXPECT_EQ(load(dib).pixel(0, 0), rgb(9, 8, 7));

    QTemporaryDir dir;
    const QString path = dir.filePath("a.bmp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const Bytes file = bmpFile(infoHeader(1, 1, 24), Bytes().raw({1, 2, 3, 0}));
    f.write(reinterpret_cast<const char*>(file.data()), qint64(file.size()));
    f.close();
    BmpImage g;
    g.loadFromFile(path);
    EXPECT_EQ(g.width(), 1);
    EXPECT_EQ(g.bitmap().pixel(0, 0), rgb(3, 2, 1));
    // A failed load keeps the picture that was there.
    EXPECT_THROW(g.loadFromFile(dir.filePath("missing.bmp")), CodecError);
    EXPECT_EQ(g.width(), 1);
}

TEST(Bitmap, BadInputIsRefused)
{
    BmpImage g;
    EXPECT_THROW(g.loadFromData(nullptr, 0), CodecError);
    EXPECT_THROW(load(Bytes().str("GIF89a")), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(100000, 100000, 24), Bytes().fill(16))), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(30000, 30000, 8), Bytes().fill(16))), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(4, 4, 24), Bytes().fill(20))), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(1, 1, 7), Bytes().fill(4))), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(1, 1, 24, 1), Bytes().fill(4))), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(0, 1, 24), Bytes().fill(4))), CodecError);
    EXPECT_THROW(load(bmpFile(infoHeader(int32_t(0x80000000u), 1, 24), Bytes().fill(4))), CodecError);

    Bytes good = infoHeader(5, 3, 4, 2);
    good.append(palette({0, 0xFFFFFF}));
    good.fill(14 * 4);
    expectPrefixesSafe<BmpImage>(bmpFile(good, Bytes().raw({5, 0x10, 0, 0, 0, 2, 1, 1, 3, 0x01, 0, 1})));
    for (auto& input : randomInputs(300, 200)) {
        if (input.size() > 2) {
            input[0] = 'B';
            input[1] = 'M';
        }
        expectPrefixesSafe<BmpImage>(Bytes{input});
    }
}
