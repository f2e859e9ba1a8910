#include "codecs/layered/PsdImage.h"
#include "support/ByteBuilder.h"

#include <gtest/gtest.h>
#include <random>

using vx::CodecError;
using vx::PsdImage;
using vxtest::Bytes;

namespace {

struct Psd {
    int version = 1, channels = 3, width = 2, height = 1, depth = 8, mode = 3;
    std::vector<uint8_t> colorData;
    int compression = 0;
    std::vector<uint8_t> imageData;  // after the compression word
};

Bytes build(const Psd& p)
{
    Bytes b;
    b.str("8BPS").u16be(unsigned(p.version)).fill(6).u16be(unsigned(p.channels));
    b.u32be(uint32_t(p.height)).u32be(uint32_t(p.width)).u16be(unsigned(p.depth)).u16be(unsigned(p.mode));
    b.u32be(uint32_t(p.colorData.size())).raw(p.colorData);
    b.u32be(4).u32be(0x12345678);  // image resources, skipped
    if (p.version == 2)
        b.u32be(0).u32be(0);
    else
        b.u32be(0);
    b.u16be(unsigned(p.compression)).raw(p.imageData);
    return b;
}

vx::Bitmap decode(const Psd& p)
{
    const Bytes b = build(p);
    PsdImage g;
    g.loadFromData(b.data(), b.size());
    EXPECT_EQ(g.width(), p.width);
    EXPECT_EQ(g.height(), p.height);
    return g.bitmap();
}

}  // namespace

TEST(PSDGraphic, RawRgbPlanes)
{
    Psd p;
    p.imageData = {255, 10, 0, 20, 0, 30};  // R plane, G plane, B plane
    const vx::Bitmap bmp = decode(p);
    EXPECT_EQ(bmp.bitsPerPixel(), 24);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFF0A141Eu);
}

TEST(PSDGraphic, PackBitsRowsWithExtraAlphaChannelIgnored)
{
    // 3 x 2 RGB plus an alpha channel; each row one run or literals.
    Psd p;
    p.width = 3;
    p.height = 2;
    p.channels = 4;
    p.compression = 1;
    const std::vector<std::vector<uint8_t>> rows = {
        {0xFE, 0x11}, {0x02, 1, 2, 3},        // red rows
        {0xFE, 0x22}, {0xFE, 0x44},           // green
        {0xFE, 0x33}, {0x80, 0xFE, 0x55},     // blue (a no-op code first)
        {0xFE, 0x00}, {0xFE, 0x00}};          // alpha
    Bytes d;
    for (const auto& r : rows)
        d.u16be(unsigned(r.size()));
    for (const auto& r : rows)
        d.raw(r);
    p.imageData = d.bytes();
    const vx::Bitmap bmp = decode(p);
    EXPECT_EQ(bmp.pixel(2, 0), 0xFF112233u);
    EXPECT_EQ(bmp.pixel(0, 1), 0xFF014455u);
    EXPECT_EQ(bmp.pixel(2, 1), 0xFF034455u);
    EXPECT_FALSE(bmp.hasAlpha());

    // The same in a large-document (version 2) file with four-byte counts.
    Psd large = p;
    large.version = 2;
    Bytes d2;
    for (const auto& r : rows)
        d2.u32be(uint32_t(r.size()));
    for (const auto& r : rows)
        d2.raw(r);
    large.imageData = d2.bytes();
    EXPECT_EQ(decode(large).pixel(0, 1), 0xFF014455u);
}

TEST(PSDGraphic, CmykIsStoredInverted)
{
    Psd p;
    p.mode = 4;
    p.channels = 4;
    // Pixel 0: no cyan, full magenta, no yellow, no black: magenta.
    // Pixel 1: no ink at all except 50% black.
    p.imageData = {255, 255, 0, 255, 255, 255, 255, 127};
    const vx::Bitmap bmp = decode(p);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFFFF00FFu);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFF7F7F7Fu);
}

TEST(PSDGraphic, IndexedBitmapGrayAndOtherModes)
{
    Psd indexed;
    indexed.mode = 2;
    indexed.channels = 1;
    indexed.colorData.assign(768, 0);
    indexed.colorData[7] = 200;        // red of colour 7
    indexed.colorData[512 + 7] = 100;  // blue of colour 7
    indexed.imageData = {7, 0};
    vx::Bitmap bmp = decode(indexed);
    EXPECT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFFC80064u);
    indexed.colorData.resize(100);
    EXPECT_THROW(decode(indexed), CodecError);

    Psd bitmap;
    bitmap.mode = 0;
    bitmap.depth = 1;
    bitmap.channels = 1;
    bitmap.width = 9;
    bitmap.imageData = {0x80, 0x80};
    bmp = decode(bitmap);
    EXPECT_EQ(bmp.bitsPerPixel(), 1);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.pixel(8, 0), 0xFF000000u);

    Psd gray16;
    gray16.mode = 1;
    gray16.channels = 1;
    gray16.depth = 16;
    gray16.imageData = {0xFF, 0xFF, 0x80, 0x80};
    bmp = decode(gray16);
    EXPECT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFF808080u);

    // Duotone shows its gray channel, multichannel its first channel.
    Psd duotone = gray16;
    duotone.mode = 8;
    duotone.depth = 8;
    duotone.imageData = {10, 20};
    EXPECT_EQ(decode(duotone).pixel(1, 0), 0xFF141414u);
    Psd multi = duotone;
    multi.mode = 7;
    multi.channels = 2;
    multi.imageData = {10, 20, 99, 99};
    EXPECT_EQ(decode(multi).pixel(0, 0), 0xFF0A0A0Au);

    // Lab white and black.
    Psd lab;
    lab.mode = 9;
    lab.imageData = {255, 0, 128, 128, 128, 128};
    bmp = decode(lab);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFF000000u);
}

TEST(PSDGraphic, BadInputIsRefused)
{
    PsdImage g;
    EXPECT_THROW(g.loadFromData(nullptr, 0), CodecError);
    Psd p;
    p.imageData = {1, 2, 3, 4, 5, 6};
    const Bytes good = build(p);
    for (size_t cut = 1; cut < good.size(); cut += 3)
        EXPECT_THROW(g.loadFromData(good.data(), cut), CodecError) << cut;

    auto refused = [](Psd q) { EXPECT_THROW(decode(q), CodecError); };
    Psd huge = p;
    huge.width = huge.height = 100000;
    refused(huge);
    Psd version = p;
    version.version = 3;
    refused(version);
    Psd depth32 = p;
    depth32.depth = 32;
    refused(depth32);
    Psd zip = p;
    zip.compression = 2;
    refused(zip);
    Psd fewChannels = p;
    fewChannels.channels = 2;
    refused(fewChannels);
    Psd unknownMode = p;
    unknownMode.mode = 5;
    refused(unknownMode);

    // A run longer than its row, and row counts pointing past the file.
    Psd overrun = p;
    overrun.compression = 1;
    overrun.imageData = {0, 2, 0, 2, 0, 2, 0xFD, 1, 0xFE, 1, 0xFE, 1};
    refused(overrun);
    Psd counts = p;
    counts.compression = 1;
    counts.imageData = {0xFF, 0xFF, 0, 2, 0, 2, 0xFE, 1};
    refused(counts);

    for (unsigned seed = 0; seed < 300; ++seed) {
        std::vector<uint8_t> bytes = good.bytes();
        std::mt19937 rng(seed);
        for (int i = 0; i < 3; ++i)
            bytes[4 + rng() % (bytes.size() - 4)] = uint8_t(rng());
        try {
            g.loadFromData(bytes.data(), bytes.size());
        } catch (const CodecError&) {
        }
    }
}
