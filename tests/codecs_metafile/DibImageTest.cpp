// Bitmaps inside metafile records: depths, masks, RLE and refused sizes.
#include "MetaBuilder.h"
#include "codecs/metafile/DibImage.h"

#include <gtest/gtest.h>

using namespace mftest;
using vx::ByteReader;
using vx::meta::decodeDib;
using vx::meta::decodePackedDib;

namespace {

Bytes infoHeader(int w, int h, int bpp, uint32_t compression = 0, uint32_t colors = 0)
{
    Bytes b;
    b.u32le(40).i32le(w).i32le(h).u16le(1).u16le(uint16_t(bpp)).u32le(compression).u32le(0).i32le(0).i32le(0).u32le(colors).u32le(0);
    return b;
}

ByteReader view(const Bytes& b) { return ByteReader(b.data(), b.size()); }

TEST(DibImage, PalettedAndTopDownRows)
{
    Bytes packed = infoHeader(9, -2, 1, 0, 2);
    packed.u32le(0x000000FF).u32le(0x0000FF00);  // index 0 blue, 1 green (RGBQUAD: b, g, r)
    packed.u8(0x80).u8(0x80).u8(0).u8(0);    // row 0: pixels 0 and 8 set
    packed.u8(0x00).u8(0x00).u8(0).u8(0);
    const auto dib = decodePackedDib(view(packed));
    EXPECT_FALSE(dib.bottomUp);
    EXPECT_EQ(dib.image.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(dib.image.pixel(1, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(dib.image.pixel(8, 0) & 0xFFFFFF, 0x00FF00u);
    EXPECT_EQ(dib.image.pixel(8, 1) & 0xFFFFFF, 0x0000FFu);

    // Logical palette indices (DIB_PAL_COLORS) show as the grey of their low byte.
    Bytes indices = infoHeader(2, 1, 1, 0, 2);
    indices.u16le(0x0120).u16le(0x00C0).u8(0x40).u8(0).u8(0).u8(0);
    const auto grey = decodePackedDib(view(indices), true);
    EXPECT_EQ(grey.image.pixel(0, 0) & 0xFFFFFF, 0x202020u);
    EXPECT_EQ(grey.image.pixel(1, 0) & 0xFFFFFF, 0xC0C0C0u);
}

TEST(DibImage, SixteenBitDefaultAndBitFieldMasks)
{
    Bytes plain = infoHeader(1, 1, 16);
    plain.u16le(0x7C00).u16le(0);  // X1R5G5B5 full red
    EXPECT_EQ(decodePackedDib(view(plain)).image.pixel(0, 0) & 0xFFFFFF, 0xFF0000u);

    Bytes masked = infoHeader(1, 1, 16, 3);
    masked.u32le(0xF800).u32le(0x07E0).u32le(0x001F);  // R5G6B5
    masked.u16le(0x07E0).u16le(0);                   // full green
    EXPECT_EQ(decodePackedDib(view(masked)).image.pixel(0, 0) & 0xFFFFFF, 0x00FF00u);
}

TEST(DibImage, Rle8RunsLiteralsAndEndOfLine)
{
    Bytes info = infoHeader(4, 2, 8, 1, 3);
    info.u32le(0xFFFFFF).u32le(0xFF0000).u32le(0x0000FF);  // white, red, blue
    Bytes bits;
    bits.u8(4).u8(1).u8(0).u8(0);                 // bottom row: four red
    bits.u8(0).u8(3).u8(2).u8(0).u8(2).u8(0);     // top row: literal blue, white, blue
    bits.u8(0).u8(1);                             // end of bitmap
    const auto dib = decodeDib(view(info), view(bits));
    EXPECT_EQ(dib.image.pixel(0, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dib.image.pixel(3, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(dib.image.pixel(0, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(dib.image.pixel(1, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(dib.image.pixel(3, 0) & 0xFFFFFF, 0xFFFFFFu);  // never reached: index 0

    // Data that stops inside the picture draws what it holds.
    const auto cut = decodeDib(view(info), ByteReader(bits.data(), 5));
    EXPECT_EQ(cut.image.pixel(3, 1) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(cut.image.pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
}

TEST(DibImage, RefusesWhatCannotBeTrue)
{
    Bytes truncated = infoHeader(10, 10, 24);
    truncated.u32le(0);
    EXPECT_THROW(decodePackedDib(view(truncated)), vx::CodecError);
    Bytes huge = infoHeader(70000, 1, 24);
    EXPECT_THROW(decodePackedDib(view(huge)), vx::CodecError);
    Bytes tooMany = infoHeader(20000, 20000, 8, 1);  // RLE claiming 400 Mpixel from 4 bytes
    tooMany.u32le(0);
    EXPECT_THROW(decodePackedDib(view(tooMany)), vx::CodecError);
    Bytes depth = infoHeader(1, 1, 3);
    depth.u32le(0);
    EXPECT_THROW(decodePackedDib(view(depth)), vx::CodecError);
    Bytes jpeg = infoHeader(1, 1, 24, 4);
    jpeg.u32le(0);
    EXPECT_THROW(decodePackedDib(view(jpeg)), vx::CodecError);
    EXPECT_THROW(decodePackedDib(ByteReader()), vx::CodecError);
}

}  // namespace
