#include "codecs/wbmp/WbmpImage.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::Bitmap;
using vx::CodecError;
using vx::WbmpFile;
using vx::WbmpImage;

namespace {

QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out.append(char(b));
    return out;
}

QByteArray save(const Bitmap& bitmap)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    vx::encodeWbmp(bitmap, buffer);
    return out;
}

WbmpImage loadBytes(const QByteArray& data)
{
    WbmpImage image;
    image.loadFromData(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()));
    return image;
}

Bitmap colours24(int w, int h, std::initializer_list<uint32_t> rgbs)
{
    Bitmap b(w, h, 24);
    auto it = rgbs.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, ++it) {
            uint8_t* p = b.scanLine(y) + 3 * x;
            p[0] = uint8_t(*it), p[1] = uint8_t(*it >> 8), p[2] = uint8_t(*it >> 16);
        }
    return b;
}

}  // namespace

TEST(Wbmp, MultiByteIntegers)
{
    EXPECT_EQ(vx::encodeMultiByteInt(0), bytes({0}));
    EXPECT_EQ(vx::encodeMultiByteInt(100), bytes({0x64}));
    EXPECT_EQ(vx::encodeMultiByteInt(200), bytes({0x81, 0x48}));
    EXPECT_EQ(vx::encodeMultiByteInt(16384), bytes({0x81, 0x80, 0x00}));
    EXPECT_EQ(vx::encodeMultiByteInt(0xFFFFFFFFu), bytes({0x8F, 0xFF, 0xFF, 0xFF, 0x7F}));

    // Reading accepts redundant leading groups but not values past 32 bits.
    QByteArray padded = bytes({0x80, 0x80, 0x81, 0x48});
    QBuffer in(&padded);
    in.open(QIODevice::ReadOnly);
    EXPECT_EQ(vx::readMultiByteInt(in), 200u);
    QByteArray big = bytes({0x90, 0x80, 0x80, 0x80, 0x00});
    QBuffer bigIn(&big);
    bigIn.open(QIODevice::ReadOnly);
    EXPECT_THROW(vx::readMultiByteInt(bigIn), CodecError);
}

TEST(Wbmp, WritesHeaderAndRowsWithNearestColour)
{
    // 9 x 2: each row takes 2 bytes. 383 = r+g+b is the first sum nearer to white.
    Bitmap b = colours24(9, 2, {0xFFFFFF, 0x000000, 0x80807F, 0x7F807F, 0xFFFFFF, 0, 0, 0, 0xFFFFFF,
                                0, 0, 0, 0, 0, 0, 0, 0, 0x00FF00});
    const QByteArray out = save(b);
    EXPECT_EQ(out, bytes({0, 0, 9, 2, 0b10101000, 0x80, 0x00, 0x00}));

    // Wide pictures use multi-byte sizes.
    const QByteArray wide = save(Bitmap(200, 1, 24));
    EXPECT_EQ(wide.left(5), bytes({0, 0, 0x81, 0x48, 1}));
    EXPECT_EQ(wide.size(), 5 + 25);
}

TEST(Wbmp, OneBitPicturesKeepTheirBitsUnlessThePaletteIsInverted)
{
    Bitmap mono(9, 1, 1);
    mono.palette() = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    mono.scanLine(0)[0] = 0xA5;
    mono.scanLine(0)[1] = 0xFF;  // unused low bits travel as they are
    EXPECT_EQ(save(mono).mid(4), bytes({0xA5, 0xFF}));

    // Index 0 white, 1 black (as a portable bitmap has it): the picture must
    // not come out as its negative.
    mono.palette() = {{255, 255, 255, 0}, {0, 0, 0, 0}};
    EXPECT_EQ(save(mono).mid(4), bytes({0x5A, 0x00}));
}

TEST(Wbmp, ReadsFileRecordAndBitmap)
{
    // Type field 5 is ignored; two extra bytes are kept with the pixel bytes.
    WbmpImage image = loadBytes(bytes({5, 0, 9, 2, 0x80, 0x80, 0x7F, 0x00, 0xEE, 0xEE}));
    EXPECT_EQ(image.width(), 9);
    EXPECT_EQ(image.height(), 2);
    EXPECT_EQ(image.file().typeField, 5);
    EXPECT_EQ(image.file().pixelByteCount(), 6u);
    const Bitmap b = image.bitmap();
    ASSERT_EQ(b.bitsPerPixel(), 1);
    EXPECT_EQ(b.pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.pixel(1, 0), 0xFF000000u);
    EXPECT_EQ(b.pixel(8, 0), 0xFFFFFFFFu);
    EXPECT_EQ(b.pixel(0, 1), 0xFF000000u);
    EXPECT_EQ(b.pixel(1, 1), 0xFFFFFFFFu);

    WbmpImage custom;
    custom.setCustomColors(true);
    custom.setBlackColor(0xFF102030u);
    custom.setWhiteColor(0xFFA0B0C0u);
    custom.loadFromData(reinterpret_cast<const uint8_t*>("\0\0\1\1\x80"), 5);
    EXPECT_EQ(custom.bitmap().pixel(0, 0), 0xFFA0B0C0u);
}

TEST(Wbmp, RefusesDamagedFilesAndSizeChanges)
{
    auto fails = [](const QByteArray& b) { EXPECT_THROW(loadBytes(b), CodecError); };
    fails(QByteArray());
    fails(bytes({0, 0, 9}));                  // header ends early
    fails(bytes({0, 0, 9, 2, 0xFF, 0xFF}));   // rows missing
    fails(bytes({0, 0, 0, 2}));               // no width
    fails(bytes({0, 0, 0x86, 0x8D, 0x20, 0x86, 0x8D, 0x20}));  // 100000 x 100000
    fails(bytes({0, 0, 0x90, 0x80, 0x80, 0x80, 0x00, 1}));      // width past 32 bits

    WbmpImage image;
    try {
        image.setWidth(5);
        FAIL();
    } catch (const CodecError& e) {
        EXPECT_STREQ(e.what(), "Invalid operation: Change size.");
    }
    EXPECT_THROW(image.setHeight(5), CodecError);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_THROW(image.saveToStream(buffer), CodecError);  // nothing to save
    try {
        image.loadFromClipboardFormat("PNG", QByteArray());
        FAIL();
    } catch (const CodecError& e) {
        EXPECT_STREQ(e.what(), "Unknown clipboard format");
    }
}

TEST(Wbmp, FileRoundTripAndAssignedRecords)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("out.wbmp");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous content that is longer than the new file");
    }
    const Bitmap picture = colours24(3, 2, {0xFFFFFF, 0, 0xFFFFFF, 0, 0xFFFFFF, 0});
    vx::saveWbmpFile(picture, path);

    WbmpImage loaded;
    loaded.loadFromFile(path);
    EXPECT_EQ(loaded.file().pixelByteCount(), 2u);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(loaded.bitmap().pixel(x, y), picture.pixel(x, y)) << x << "," << y;

    // An image given another image's file record saves that picture.
    WbmpImage copy;
    copy.assign(loaded);
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    copy.saveToStream(buffer);
    EXPECT_EQ(out, bytes({0, 0, 3, 2, 0xA0, 0x40}));

    Bitmap back;
    copy.assignTo(back);
    EXPECT_EQ(back.width(), 3);
    EXPECT_THROW(loaded.loadFromFile(dir.filePath("missing.wbmp")), CodecError);
}
