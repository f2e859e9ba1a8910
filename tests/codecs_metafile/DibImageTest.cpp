// Bitmaps inside metafile records: depths, masks, RLE and refused sizes.
#include "MetaBuilder.h"
#include "codecs/metafile/DibImage.h"

#include <gtest/gtest.h>

using namespace mftest;
using vx::ByteReader;
using vx::meta::decodeDib;
using vx::meta::decodePackedDib;

namespace {

Buf infoHeader(int w, int h, int bpp, uint32_t compression = 0, uint32_t colors = 0)
{
    Buf b;
    b.u32(40).i32(w).i32(h).u16(1).u16(uint16_t(bpp)).u32(compression).u32(0).i32(0).i32(0).u32(colors).u32(0);
    return b;
}

ByteReader view(const Buf& b) { return ByteReader(b.d.data(), b.size()); }

TEST(DibImage, PalettedAndTopDownRows)
{
    Buf packed = infoHeader(9, -2, 1, 0, 2);
    packed.u32(0x000000FF).u32(0x0000FF00);  // index 0 blue, 1 green (RGBQUAD: b, g, r)
    packed.u8(0x80).u8(0x80).u8(0).u8(0);    // row 0: pixels 0 and 8 set
    packed.u8(0x00).u8(0x00).u8(0).u8(0);
    const auto dib = decodePackedDib(view(packed));
    EXPECT_FALSE(dib.bottomUp);
    EXPECT_EQ(dib.image.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(dib.image.pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(dib.image.pixel(8, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(dib.image.pixel(8, 1) & 0xFFFFFF, 0x0000FFu);
}

TEST(DibImage, SixteenBitDefaultAndBitFieldMasks)
{
    Buf plain = infoHeader(1, 1, 16);
    plain.u16(0x7C00).u16(0);  // X1R5G5B5 full red
    EXPECT_EQ(decodePackedDib(view(plain)).image.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);

    Buf masked = infoHeader(1, 1, 16, 3);
    masked.u32(0xF800).u32(0x07E0).u32(0x001F);  // R5G6B5
    masked.u16(0x07E0).u16(0);                   // full green
    EXPECT_EQ(decodePackedDib(view(masked)).image.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
}

TEST(DibImage, Rle8RunsLiteralsAndEndOfLine)
{
    Buf info = infoHeader(4, 2, 8, 1, 3);
    info.u32(0xFFFFFF).u32(0xFF0000).u32(0x0000FF);  // white, red, blue
    Buf bits;
    bits.u8(4).u8(1).u8(0).u8(0);                 // bottom row: four red
    bits.u8(0).u8(3).u8(2).u8(0).u8(2).u8(0);     // top row: literal blue, white, blue
    bits.u8(0).u8(1);                             // end of bitmap
    const auto dib = decodeDib(view(info), view(bits));
    EXPECT_EQ(dib.image.pixel(0, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dib.image.pixel(3, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dib.image.pixel(0, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(dib.image.pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(dib.image.pixel(3, 0) & 0xFFFFFF, 0xFFFFFFu);  // never reached: index 0
}

TEST(DibImage, RefusesWhatCannotBeTrue)
{
    Buf truncated = infoHeader(10, 10, 24);
    truncated.u32(0);
    EXPECT_THROW(decodePackedDib(view(truncated)), vx::CodecError);
    Buf huge = infoHeader(70000, 1, 24);
    EXPECT_THROW(decodePackedDib(view(huge)), vx::CodecError);
    Buf tooMany = infoHeader(20000, 20000, 8, 1);  // RLE claiming 400 Mpixel from 4 bytes
    tooMany.u32(0);
    EXPECT_THROW(decodePackedDib(view(tooMany)), vx::CodecError);
    Buf depth = infoHeader(1, 1, 3);
    depth.u32(0);
    EXPECT_THROW(decodePackedDib(view(depth)), vx::CodecError);
    Buf jpeg = infoHeader(1, 1, 24, 4);
    jpeg.u32(0);
    EXPECT_THROW(decodePackedDib(view(jpeg)), vx::CodecError);
    EXPECT_THROW(decodePackedDib(ByteReader()), vx::CodecError);
}

}  // namespace
