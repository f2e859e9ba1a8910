#include "codecs/misc/SgiImage.h"
#include "support/ByteBuilder.h"
#include "support/RandomBytes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::CodecError;
using vx::SgiImage;
using vxtest::Bytes;

namespace {

Bytes header(int storage, int bpc, int dimension, int x, int y, int z)
{
    Bytes b;
    b.u16be(474).u8(storage).u8(bpc).u16be(dimension).u16be(x).u16be(y).u16be(z);
    b.u32be(0).u32be(bpc == 1 ? 255 : 65535).fill(512 - b.size());
    return b;
}

// Run-length encoded file from per-row encoded bytes (channel-major order).
Bytes rleFile(int x, int y, int z, const std::vector<std::vector<uint8_t>>& rows)
{
    Bytes b = header(1, 1, 3, x, y, z);
    uint32_t offset = uint32_t(512 + rows.size() * 8);
    for (const auto& r : rows) {
        b.u32be(offset);
        offset += uint32_t(r.size());
    }
    for (const auto& r : rows)
        b.u32be(uint32_t(r.size()));
    for (const auto& r : rows)
        b.raw(r);
    return b;
}

SgiImage load(const Bytes& b)
{
    SgiImage g;
    g.loadFromData(b.data(), b.size());
    return g;
}

}  // namespace

TEST(SGIGraphic, VerbatimRgbRowsAreBottomUp)
{
    // 2 x 2, planes R, G, B; file row 0 is the bottom row.
    Bytes b = header(0, 1, 3, 2, 2, 3);
    b.u8(10).u8(20).u8(30).u8(40);     // red: bottom row 10 20, top row 30 40
    b.u8(1).u8(2).u8(3).u8(4);         // green
    b.u8(100).u8(101).u8(102).u8(103); // blue
    SgiImage g = load(b);
    ASSERT_EQ(g.width(), 2);
    ASSERT_EQ(g.height(), 2);
    const vx::Bitmap bmp = g.bitmap();
    EXPECT_EQ(bmp.bitsPerPixel(), 24);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF1E0366u);  // top-left: red 30, green 3, blue 102
    EXPECT_EQ(bmp.pixel(1, 1), 0xFF140265u);  // bottom-right: 20, 2, 101
}

TEST(SGIGraphic, RleGrayAlphaWithRunsAndLiterals)
{
    // 3 x 1, gray: run of 3 x 0x50; alpha: literals 0, 128, 255.
    Bytes b = rleFile(3, 1, 2, {{0x03, 0x50, 0x00}, {0x83, 0x00, 0x80, 0xFF, 0x00}});
    const vx::Bitmap bmp = load(b).bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 32);
    EXPECT_TRUE(bmp.hasAlpha());
    EXPECT_EQ(bmp.pixel(0, 0), 0x00505050u);
    EXPECT_EQ(bmp.pixel(1, 0), 0x80505050u);
    EXPECT_EQ(bmp.pixel(2, 0), 0xFF505050u);
}

TEST(SGIGraphic, GrayIsIndexedAndTwoByteChannelsKeepHighByte)
{
    Bytes b = header(0, 2, 2, 2, 1, 1);
    b.u16be(0x1234).u16be(0xFF00);
    const vx::Bitmap bmp = load(b).bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.pixel(0, 0), 0xFF121212u);
    EXPECT_EQ(bmp.pixel(1, 0), 0xFFFFFFFFu);
}

TEST(SGIGraphic, SharedRowOffsetsAndRgbaFourChannels)
{
    // Both rows of every channel point at the same encoded run.
    Bytes b = header(1, 1, 3, 1, 2, 4);
    const uint32_t data = 512 + 8 * 8;
    for (int i = 0; i < 8; ++i)
        b.u32be(data + uint32_t(i / 2) * 3);
    for (int i = 0; i < 8; ++i)
        b.u32be(3);
    b.raw({0x01, 0x11, 0x00, 0x01, 0x22, 0x00, 0x01, 0x33, 0x00, 0x01, 0x44, 0x00});
    const vx::Bitmap bmp = load(b).bitmap();
    EXPECT_EQ(bmp.pixel(0, 0), 0x44112233u);
    EXPECT_EQ(bmp.pixel(0, 1), 0x44112233u);
}

TEST(SGIGraphic, BadInputIsRefused)
{
    SgiImage g;
    EXPECT_THROW(g.loadFromData(nullptr, 0), CodecError);
    const Bytes good = header(0, 1, 3, 2, 2, 1).fill(4, 7);
    // Truncated header and truncated pixel data.
    EXPECT_THROW(g.loadFromData(good.data(), 100), CodecError);
    EXPECT_THROW(g.loadFromData(good.data(), good.size() - 1), CodecError);
    // Wrong magic, storage, bytes per channel, dimension.
    Bytes magic;
    magic.u16be(475).u8(0).u8(1).u16be(1).u16be(1).u16be(1).u16be(1).fill(600);
    EXPECT_THROW(load(magic), CodecError);
    EXPECT_THROW(load(header(2, 1, 3, 1, 1, 1).fill(1)), CodecError);
    EXPECT_THROW(load(header(0, 3, 3, 1, 1, 1).fill(3)), CodecError);
    EXPECT_THROW(load(header(0, 1, 4, 1, 1, 1).fill(1)), CodecError);
    // Too large and empty pictures, refused before any allocation.
    EXPECT_THROW(load(header(1, 1, 3, 65535, 65535, 1)), CodecError);
    EXPECT_THROW(load(header(0, 1, 3, 0, 5, 1)), CodecError);
    // A row offset past the end of the file.
    Bytes far = header(1, 1, 3, 1, 1, 1);
    far.u32be(100000).u32be(2).u8(1).u8(0);
    EXPECT_THROW(load(far), CodecError);
    // A run longer than the row.
    EXPECT_THROW(load(rleFile(2, 1, 1, {{0x05, 0x10, 0x00}})), CodecError);
    EXPECT_THROW(load(rleFile(2, 1, 1, {{0x83, 1, 2, 3, 0x00}})), CodecError);
    EXPECT_TRUE(g.bitmap().isNull());
}

TEST(SGIGraphic, RandomBytesNeverCrash)
{
    for (unsigned seed = 0; seed < 200; ++seed) {
        std::vector<uint8_t> bytes = vxtest::randomBytes(600 + seed * 7, seed);
        bytes[0] = 0x01;
        bytes[1] = 0xDA;
        bytes[2] = seed & 1;
        bytes[3] = 1;
        SgiImage g;
        try {
            g.loadFromData(bytes.data(), bytes.size());
        } catch (const CodecError&) {
        }
    }
}

TEST(SGIGraphic, LoadsFromFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.rgb");
    Bytes b = header(0, 1, 1, 3, 1, 1).u8(0).u8(128).u8(255);
    ASSERT_TRUE(vxtest::writeFile(path, b.bytes()));
    SgiImage g;
    g.loadFromFile(path);
    EXPECT_EQ(g.width(), 3);
    EXPECT_EQ(g.bitmap().pixel(1, 0), 0xFF808080u);
    EXPECT_THROW(g.loadFromFile(dir.filePath("missing.rgb")), CodecError);
}
