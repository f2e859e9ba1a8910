#include "codecs/dib/IconImage.h"
#include "codecs_dib/BmpFiles.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

using namespace vxtest;
using vx::Bitmap;
using vx::CodecError;
using vx::IconImage;

namespace {

// Icon file with one entry holding the given image bytes.
Bytes iconFile(const Bytes& image, unsigned w, unsigned h, unsigned type = 1)
{
    Bytes b;
    b.u16le(0).u16le(type).u16le(1);
    b.u8(w).u8(h).u8(0).u8(0).u16le(1).u16le(32).u32le(uint32_t(image.size())).u32le(22);
    b.append(image);
    return b;
}

// A BMP-based 4-bit icon image of size n x n: colour index 1 (red) everywhere,
// the AND mask set (transparent) on the left half of the top row.
Bytes fourBitImage(int n)
{
    Bytes b = infoHeader(n, 2 * n, 4);
    b.append(palette({0x000000, 0xFF0000}));
    b.fill(14 * 4);
    const size_t colourStride = size_t((n * 4 + 31) / 32 * 4);
    for (int y = 0; y < n; ++y)
        for (size_t i = 0; i < colourStride; ++i)
            b.u8(0x11);
    const size_t maskStride = size_t((n + 31) / 32 * 4);
    for (int y = 0; y < n; ++y) {
        // Stored bottom-up: the last stored row is the top row.
        for (size_t i = 0; i < maskStride; ++i)
            b.u8(y == n - 1 && int(i) < n / 16 ? 0xFF : 0x00);
    }
    return b;
}

Bitmap load(const Bytes& file)
{
    IconImage icon;
    icon.loadFromData(file.data(), file.size());
    EXPECT_EQ(icon.width(), 32);
    EXPECT_EQ(icon.height(), 32);
    return icon.bitmap();
}

}  // namespace

TEST(Icon, BmpEntryWithAndMask)
{
    Bitmap b = load(iconFile(fourBitImage(32), 32, 32));
    ASSERT_EQ(b.bitsPerPixel(), 32);
    EXPECT_TRUE(b.hasAlpha());
    EXPECT_EQ(b.pixel(0, 0) >> 24, 0u);
    EXPECT_EQ(b.pixel(15, 0) >> 24, 0u);
    EXPECT_EQ(b.pixel(16, 0), rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(5, 31), rgb(255, 0, 0));
}

TEST(Icon, OtherSizesAreScaledToThirtyTwo)
{
    Bitmap b = load(iconFile(fourBitImage(16), 16, 16));
    ASSERT_EQ(b.width(), 32);
    EXPECT_EQ(b.pixel(20, 20), rgb(255, 0, 0));
    EXPECT_EQ(b.pixel(2, 0) >> 24, 0u);
}

TEST(Icon, ThirtyTwoBitAlphaAndMissingMask)
{
    Bytes img = infoHeader(32, 64, 32);
    for (int i = 0; i < 32 * 32; ++i)
        img.raw({0, 0, 255, 64});  // red at quarter opacity; no mask follows
    Bitmap b = load(iconFile(img, 32, 32));
    EXPECT_EQ(b.pixel(3, 3), 0x40FF0000u);
}

TEST(Icon, PngEntry)
{
    QImage source(32, 32, QImage::Format_ARGB32);
    source.fill(qRgba(0, 0, 255, 255));
    source.setPixel(1, 1, qRgba(0, 0, 0, 0));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(source.save(&buffer, "PNG"));
    const Bytes img{std::vector<uint8_t>(png.begin(), png.end())};
    Bitmap b = load(iconFile(img, 32, 32));
    EXPECT_EQ(b.pixel(0, 0), rgb(0, 0, 255));
    EXPECT_EQ(b.pixel(1, 1) >> 24, 0u);
}

TEST(Icon, BadInputIsRefused)
{
    IconImage icon;
    auto fails = [&](const Bytes& b) {
        EXPECT_THROW(icon.loadFromData(b.data(), b.size()), CodecError);
    };
    fails(Bytes().u16le(0).u16le(3).u16le(1).fill(16));        // not an icon type
    fails(Bytes().u16le(0).u16le(1).u16le(0));                  // no images
    Bytes farOffset = iconFile(fourBitImage(16), 16, 16);
    farOffset.patch32le(18, 100000);
    fails(farOffset);
    Bytes huge = iconFile(infoHeader(100000, 200000, 32).fill(64), 0, 0);
    fails(huge);
    Bytes brokenPng = iconFile(Bytes().raw({0x89, 'P', 'N', 'G', 13, 10, 26, 10}).fill(30), 32, 32);
    fails(brokenPng);
    expectPrefixesSafe<IconImage>(iconFile(fourBitImage(16), 16, 16));
    for (auto& input : randomInputs(200, 300)) {
        if (input.size() > 30) {
            input[0] = input[1] = input[3] = 0;
            input[2] = 1;
            input[4] = 1;
            input[5] = 0;
            input[18] = 22;
            input[19] = input[20] = input[21] = 0;
        }
        expectPrefixesSafe<IconImage>(Bytes{input});
    }
}

// The image shown is the entry nearest 32 x 32 (larger, then deeper, on
// ties), whatever the order of the directory; it is scaled only when no
// entry is 32 x 32.
TEST(Icon, TheEntryNearestThirtyTwoIsShown)
{
    struct Entry {
        int size, bits;
        uint8_t blue;  // the entry's colour tells which one was taken
    };
    auto file = [](const std::vector<Entry>& entries) {
        std::vector<Bytes> images;
        for (const Entry& e : entries) {
            Bytes img = infoHeader(e.size, 2 * e.size, e.bits);
            if (e.bits == 8) {
                img.append(palette({0x000000, uint32_t(e.blue)}));
                img.fill(254 * 4);
                for (int i = 0; i < e.size * e.size; ++i)
                    img.u8(1);
            } else {
                for (int i = 0; i < e.size * e.size; ++i)
                    img.raw({e.blue, 0, 0, 255});
            }
            images.push_back(img);
        }
        Bytes b;
        b.u16le(0).u16le(1).u16le(uint16_t(entries.size()));
        uint32_t offset = 6 + 16 * uint32_t(entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            b.u8(uint8_t(entries[i].size)).u8(uint8_t(entries[i].size)).u8(0).u8(0).u16le(1).u16le(uint16_t(entries[i].bits));
            b.u32le(uint32_t(images[i].size())).u32le(offset);
            offset += uint32_t(images[i].size());
        }
        for (const Bytes& img : images)
            b.append(img);
        return b;
    };
    struct Case {
        const char* what;
        std::vector<Entry> entries;
        uint8_t shown;
    };
    const Case cases[] = {
        {"16, 32, 48", {{16, 32, 10}, {32, 32, 20}, {48, 32, 30}}, 20},
        {"48, 16, 32", {{48, 32, 30}, {16, 32, 10}, {32, 32, 20}}, 20},
        {"16 and 48: the larger", {{16, 32, 10}, {48, 32, 30}}, 30},
        {"two of 32: the deeper", {{32, 8, 40}, {32, 32, 50}}, 50},
        {"only 16", {{16, 32, 60}}, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Bitmap b = load(file(c.entries));
        EXPECT_EQ(b.pixel(16, 16) & 0xFF, c.shown);
        EXPECT_EQ(b.pixel(0, 0) & 0xFF, c.shown);
    }
}
