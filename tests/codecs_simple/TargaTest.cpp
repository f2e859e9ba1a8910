#include "codecs/simple/TargaImage.h"
#include "codecs_dib/DecoderChecks.h"

#include <gtest/gtest.h>

using namespace vxtest;
using vx::Bitmap;
using vx::CodecError;
using vx::TargaImage;

namespace {

Bytes tgaHeader(int type, int w, int h, int bits, int descriptor = 0, int mapType = 0,
                int mapFirst = 0, int mapLength = 0, int mapBits = 0, int idLength = 0)
{
    Bytes b;
    b.u8(unsigned(idLength)).u8(unsigned(mapType)).u8(unsigned(type));
    b.u16le(unsigned(mapFirst)).u16le(unsigned(mapLength)).u8(unsigned(mapBits));
    b.u16le(0).u16le(0).u16le(unsigned(w)).u16le(unsigned(h)).u8(unsigned(bits)).u8(unsigned(descriptor));
    b.fill(size_t(idLength));
    return b;
}

Bitmap load(const Bytes& file)
{
    TargaImage g;
    g.loadFromData(file.data(), file.size());
    return g.bitmap();
}

// 2 x 2 true colour pixels in file order: red, green, blue, white.
Bytes fourPixels24()
{
    return Bytes().raw({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255});
}

}  // namespace

TEST(Targa, OriginsPlaceTheFirstPixel)
{
    const uint32_t red = rgb(255, 0, 0), green = rgb(0, 255, 0), blue = rgb(0, 0, 255);
    Bitmap bottomLeft = load(tgaHeader(2, 2, 2, 24).append(fourPixels24()));
    ASSERT_EQ(bottomLeft.bitsPerPixel(), 24);
    EXPECT_EQ(bottomLeft.pixel(0, 1), red);
    EXPECT_EQ(bottomLeft.pixel(1, 1), green);
    EXPECT_EQ(bottomLeft.pixel(0, 0), blue);

    Bitmap topLeft = load(tgaHeader(2, 2, 2, 24, 0x20).append(fourPixels24()));
    EXPECT_EQ(topLeft.pixel(0, 0), red);
    EXPECT_EQ(topLeft.pixel(0, 1), blue);

    Bitmap topRight = load(tgaHeader(2, 2, 2, 24, 0x30).append(fourPixels24()));
    EXPECT_EQ(topRight.pixel(1, 0), red);
    EXPECT_EQ(topRight.pixel(0, 0), green);
}

TEST(Targa, ColourMapWithFirstEntryOffset)
{
    // Map of entries 2 and 3 (24-bit); pixel values are absolute indices.
    Bytes f = tgaHeader(1, 3, 1, 8, 0x20, 1, 2, 2, 24);
    f.raw({0, 0, 255, 255, 0, 0});
    f.raw({2, 3, 0});
    Bitmap b = load(f);
    ASSERT_EQ(b.bitsPerPixel(), 8);
    ASSERT_EQ(b.palette().size(), 256u);
    EXPECT_EQ(b.pixel(0, 0), rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(1, 0), rgb(0, 0, 255));
    EXPECT_EQ(b.pixel(2, 0), rgb(0, 0, 0));

    // 16-bit map entries, RLE indices.
    Bytes rle = tgaHeader(9, 4, 1, 8, 0x20, 1, 0, 2, 16);
    rle.u16le(0x7C00).u16le(0x03E0);
    rle.raw({0x82, 1, 0x00, 0});  // run of three 1s, then one literal 0
    Bitmap r = load(rle);
    EXPECT_EQ(r.pixel(0, 0), rgb(0, 255, 0));
    EXPECT_EQ(r.pixel(2, 0), rgb(0, 255, 0));
    EXPECT_EQ(r.pixel(3, 0), rgb(255, 0, 0));
}

TEST(Targa, RunLengthPacketsCrossRowsWithAlpha)
{
    // 3 x 2, 32-bit with 8 alpha bits, top origin: a run of 4 spans both rows.
    Bytes f = tgaHeader(10, 3, 2, 32, 0x28);
    f.raw({0x83, 10, 20, 30, 128});
    f.raw({0x01, 1, 2, 3, 255, 4, 5, 6, 0});
    Bitmap b = load(f);
    ASSERT_EQ(b.bitsPerPixel(), 32);
    EXPECT_TRUE(b.hasAlpha());
    EXPECT_EQ(b.pixel(2, 0), 0x801E140Au);
    EXPECT_EQ(b.pixel(0, 1), 0x801E140Au);
    EXPECT_EQ(b.pixel(1, 1), 0xFF030201u);
    EXPECT_EQ(b.pixel(2, 1), 0x00060504u);

    // No alpha bits announced: the fourth byte is ignored.
    Bytes noAlpha = tgaHeader(2, 1, 1, 32, 0x20);
    noAlpha.raw({1, 2, 3, 0});
    EXPECT_EQ(load(noAlpha).pixel(0, 0), rgb(3, 2, 1));
}

TEST(Targa, GreyAndSixteenBit)
{
    Bytes grey = tgaHeader(11, 2, 1, 8, 0x20);
    grey.raw({0x81, 77});
    Bitmap g = load(grey);
    ASSERT_EQ(g.bitsPerPixel(), 8);
    EXPECT_EQ(g.pixel(1, 0), rgb(77, 77, 77));

    Bytes hi = tgaHeader(2, 1, 1, 16, 0x20);
    hi.u16le(0x001F);
    Bitmap h = load(hi);
    EXPECT_EQ(h.bitsPerPixel(), 16);
    EXPECT_EQ(h.pixel(0, 0), rgb(0, 0, 255));
}

TEST(Targa, BadInputIsRefused)
{
    auto fails = [](const Bytes& b) { EXPECT_THROW(load(b), CodecError); };
    Bytes overrun = tgaHeader(10, 2, 1, 24);
    overrun.raw({0x82, 1, 2, 3});  // run of 3 in a 2-pixel picture
    fails(overrun);
    fails(tgaHeader(2, 4, 4, 24).append(fourPixels24()));   // truncated
    fails(tgaHeader(2, 0, 4, 24));                          // no width
    fails(tgaHeader(2, 65535, 65535, 24).fill(10));        // over the pixel limit
    fails(tgaHeader(1, 2, 2, 8));                           // mapped without a map
    fails(tgaHeader(2, 2, 2, 12).fill(12));                // odd depth
    fails(tgaHeader(32, 2, 2, 8).fill(12));                // unknown type
    fails(tgaHeader(9, 2, 2, 8, 0, 1, 0, 2, 8).fill(10));  // 8-bit map entries
    fails(Bytes());

    Bytes good = tgaHeader(10, 3, 2, 24, 0, 0, 0, 0, 0, 3);
    good.raw({0x82, 1, 2, 3, 0x02, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    EXPECT_NO_THROW(load(good));
    expectPrefixesSafe<TargaImage>(good);
    for (auto& input : randomInputs(300, 120, 11)) {
        if (input.size() > 18) {
            input[1] = input[1] & 1;
            input[2] = (input[2] & 1) ? 10 : 1;
            input[13] = input[15] = 0;
        }
        expectPrefixesSafe<TargaImage>(Bytes{input});
    }
}
