#include "codecs/simple/PcxImage.h"
#include "codecs_dib/DecoderChecks.h"

#include <gtest/gtest.h>

using namespace vxtest;
using vx::Bitmap;
using vx::CodecError;
using vx::PcxImage;

namespace {

Bytes pcxHeader(int w, int h, int bits, int planes, int bytesPerLine, int version = 5,
                int encoding = 1)
{
    Bytes b;
    b.u8(0x0A).u8(unsigned(version)).u8(unsigned(encoding)).u8(unsigned(bits));
    b.u16le(0).u16le(0).u16le(unsigned(w - 1)).u16le(unsigned(h - 1)).u16le(72).u16le(72);
    b.fill(48);  // header palette
    b.u8(0).u8(unsigned(planes)).u16le(unsigned(bytesPerLine));
    b.fill(128 - b.size());
    return b;
}

Bitmap load(const Bytes& file)
{
    PcxImage g;
    g.loadFromData(file.data(), file.size());
    return g.bitmap();
}

}  // namespace

TEST(Pcx, EightBitWithEndPaletteAndLinePadding)
{
    // 3 x 2, lines padded to 4 bytes; a run crosses from line 0 into line 1.
    Bytes f = pcxHeader(3, 2, 8, 1, 4);
    f.raw({1, 2, 3, 0xC3, 2, 1, 0});  // line 0: 1 2 3 [2], line 1: 2 2 1 [0]
    f.u8(0x0C);
    for (int i = 0; i < 256; ++i)
        f.u8(unsigned(i)).u8(0).u8(unsigned(255 - i));
    Bitmap b = load(f);
    ASSERT_EQ(b.bitsPerPixel(), 8);
    EXPECT_EQ(b.pixel(0, 0), rgb(1, 0, 254));
    EXPECT_EQ(b.pixel(2, 0), rgb(3, 0, 252));
    EXPECT_EQ(b.pixel(0, 1), rgb(2, 0, 253));
    EXPECT_EQ(b.pixel(2, 1), rgb(1, 0, 254));
}

TEST(Pcx, TrueColourPlanes)
{
    Bytes f = pcxHeader(2, 1, 8, 3, 2);
    f.raw({0xC2, 200, 10, 20, 0xC2, 30});  // R: 200 200, G: 10 20, B: 30 30
    Bitmap b = load(f);
    ASSERT_EQ(b.bitsPerPixel(), 24);
    EXPECT_EQ(b.pixel(0, 0), rgb(200, 10, 30));
    EXPECT_EQ(b.pixel(1, 0), rgb(200, 20, 30));
}

TEST(Pcx, SixteenColoursInPlanesAndPacked)
{
    // Four planes of one bit, version 3: default EGA palette.
    Bytes planar = pcxHeader(2, 1, 1, 4, 2, 3, 0);
    planar.raw({0x80, 0, 0x40, 0, 0xC0, 0, 0x40, 0});  // x0: planes 0,2 -> 5; x1: planes 1,2,3 -> 14
    Bitmap p = load(planar);
    ASSERT_EQ(p.bitsPerPixel(), 4);
    EXPECT_EQ(p.pixel(0, 0), rgb(170, 0, 170));
    EXPECT_EQ(p.pixel(1, 0), rgb(255, 255, 85));

    // One plane of 2 bits with the header palette.
    Bytes cga = pcxHeader(3, 1, 2, 1, 2);
    cga[16 + 3 * 2] = 9;  // entry 2 red = 9
    cga.raw({0b10011100, 0});
    Bitmap c = load(cga);
    ASSERT_EQ(c.bitsPerPixel(), 4);
    EXPECT_EQ(c.pixel(0, 0), rgb(9, 0, 0));
    EXPECT_EQ(c.pixel(1, 0), rgb(0, 0, 0));  // entry 1 of the header palette
}

TEST(Pcx, MonochromeBits)
{
    Bytes f = pcxHeader(9, 1, 1, 1, 2);
    f.raw({0xA5, 0x80});
    Bitmap b = load(f);
    ASSERT_EQ(b.bitsPerPixel(), 1);
    EXPECT_EQ(b.pixel(0, 0), rgb(255, 255, 255));
    EXPECT_EQ(b.pixel(1, 0), rgb(0, 0, 0));
    EXPECT_EQ(b.pixel(8, 0), rgb(255, 255, 255));
}

TEST(Pcx, BadInputIsRefused)
{
    auto fails = [](const Bytes& b) { EXPECT_THROW(load(b), CodecError); };
    fails(pcxHeader(4, 4, 8, 1, 4).raw({0xC5, 1}));      // data ends early
    fails(pcxHeader(8, 1, 8, 1, 4).fill(8));              // line shorter than the width
    fails(pcxHeader(60000, 60000, 8, 1, 60000).fill(64)); // over the pixel limit
    fails(pcxHeader(4, 1, 5, 1, 4).fill(8));              // unknown depth
    fails(pcxHeader(1, 65535, 1, 4, 65535).fill(2000));   // huge lines, tiny data
    Bytes notPcx = pcxHeader(1, 1, 8, 1, 2);
    notPcx[0] = 0x0B;
    fails(notPcx.fill(4));
    fails(Bytes().fill(20));

    Bytes good = pcxHeader(5, 3, 1, 4, 2);
    good.raw({0xC9, 0x55, 1, 2, 3, 0xCC, 0xF0});
    EXPECT_NO_THROW(load(good));
    expectPrefixesSafe<PcxImage>(good);
    for (auto& input : randomInputs(300, 200, 5)) {
        if (input.size() > 128) {
            input[0] = 0x0A;
            input[2] = 1;
            input[3] = (input[3] & 1) ? 8 : 1;
            input[9] = input[11] = 0;
            input[65] = (input[65] % 4) + 1;
            input[67] = 0;
        }
        expectPrefixesSafe<PcxImage>(Bytes{input});
    }
}
