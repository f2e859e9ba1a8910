// ReadBits and ReadSwfHeader: plain and compressed headers, short files,
// foreign signatures and what is left untouched on failure.
#include "flash/SwfFileInfo.h"

#include "codecs/Bitmap.h"
#include "swfwriter/SwfWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using vx::ReadBits;
using vx::ReadSwfHeader;
using vx::SwfHeaderInfo;

namespace {

// Header body with the rectangle written in nbits-wide fields.
swfw::Bytes body(int nbits, int xmin, int xmax, int ymin, int ymax, uint8_t rateFraction, uint8_t rateInteger,
                 uint16_t frames)
{
    swfw::Writer w;
    w.ub(uint32_t(nbits), 5);
    for (int v : {xmin, xmax, ymin, ymax}) w.sb(v, nbits);
    w.flushBits();
    w.u8(rateFraction);
    w.u8(rateInteger);
    w.u16(frames);
    return w.data;
}

swfw::Bytes file(const char* sig, uint8_t version, const swfw::Bytes& b, bool compress, size_t padTo = 40)
{
    swfw::Bytes rest = b;
    if (rest.size() < padTo) rest.resize(padTo, 0);
    swfw::Writer w;
    w.u8(uint8_t(sig[0])); w.u8(uint8_t(sig[1])); w.u8(uint8_t(sig[2])); w.u8(version);
    w.u32(uint32_t(rest.size() + 8));
    w.bytes(compress ? swfw::zlibCompress(rest) : rest);
    return w.data;
}

class SwfFileInfo : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString write(const swfw::Bytes& data, const QString& name = QStringLiteral("m.swf"))
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(data.data()), qint64(data.size()));
        return path;
    }
    static SwfHeaderInfo marked()
    {
        SwfHeaderInfo h;
        h.xmin = h.xmax = h.ymin = h.ymax = 77;
        h.frameRateInteger = h.frameRateFraction = 7;
        h.frameCount = 77;
        return h;
    }
};

}  // namespace

TEST(SwfReadBits, MostSignificantBitFirstAcrossBytes)
{
    const uint8_t buf[4] = {0xb4, 0x5a, 0xff, 0x01};  // 1011 0100 0101 1010 ...
    EXPECT_EQ(ReadBits(buf, 0, 0), 0u);
    EXPECT_EQ(ReadBits(buf, 0, 1), 1u);
    EXPECT_EQ(ReadBits(buf, 0, 4), 0xbu);
    EXPECT_EQ(ReadBits(buf, 4, 8), 0x45u);   // spans bytes 0 and 1
    EXPECT_EQ(ReadBits(buf, 0, 31), 0xb45aff01u >> 1);
    EXPECT_EQ(ReadBits(buf, 31, 1), 1u);
}

TEST_F(SwfFileInfo, PlainStage550x400In15And31Bits)
{
    for (int nbits : {15, 31}) {
        SwfHeaderInfo h;
        ASSERT_TRUE(ReadSwfHeader(write(file("FWS", 1, body(nbits, 0, 11000, 0, 8000, 0x00, 0x18, 120), false)), h));
        EXPECT_EQ(std::string(h.signature, 3), "FWS");
        EXPECT_EQ(h.version, 1);
        EXPECT_EQ(h.fileLength, 48u);
        EXPECT_EQ((h.xmax - h.xmin) / 20.0, 550.0);
        EXPECT_EQ((h.ymax - h.ymin) / 20.0, 400.0);
        EXPECT_EQ(h.frameRateInteger, 24);
        EXPECT_EQ(h.frameRateFraction, 0);
        EXPECT_EQ(h.frameCount, 120u);
    }
}

TEST_F(SwfFileInfo, NegativeMinimumAndNoBits)
{
    SwfHeaderInfo h;
    ASSERT_TRUE(ReadSwfHeader(write(file("FWS", 8, body(15, -200, 10800, -20, 20, 0x80, 0x0c, 65535), false)), h));
    EXPECT_EQ(h.xmin, -200);
    EXPECT_EQ((h.xmax - h.xmin) / 20.0, 550.0);
    EXPECT_EQ(h.ymin, -20);
    EXPECT_EQ(h.frameRateFraction, 0x80);
    EXPECT_EQ(h.frameCount, 65535u);
    // nbits = 0: all-zero rectangle, frame rate from body byte 1.
    ASSERT_TRUE(ReadSwfHeader(write(file("FWS", 8, {0x00, 0x00, 0x19, 0x05, 0x00}, false), "zero.swf"), h));
    EXPECT_EQ(h.xmin, 0);
    EXPECT_EQ(h.xmax, 0);
    EXPECT_EQ(h.ymax, 0);
    EXPECT_EQ(h.frameRateFraction, 0);
    EXPECT_EQ(h.frameRateInteger, 0x19);
    EXPECT_EQ(h.frameCount, 5u);
}

TEST_F(SwfFileInfo, CompressedVersion6EqualsPlainVersion5Refused)
{
    const swfw::Bytes b = body(15, 0, 11000, 0, 8000, 0x00, 0x18, 3);
    SwfHeaderInfo plain, packed;
    ASSERT_TRUE(ReadSwfHeader(write(file("FWS", 6, b, false), "a.swf"), plain));
    ASSERT_TRUE(ReadSwfHeader(write(file("CWS", 6, b, true), "b.swf"), packed));
    EXPECT_EQ(std::string(packed.signature, 3), "CWS");
    EXPECT_EQ(plain.fileLength, packed.fileLength);
    EXPECT_EQ(plain.xmax, packed.xmax);
    EXPECT_EQ(plain.ymax, packed.ymax);
    EXPECT_EQ(plain.frameRateInteger, packed.frameRateInteger);
    EXPECT_EQ(plain.frameCount, packed.frameCount);

    SwfHeaderInfo old = marked();
    EXPECT_FALSE(ReadSwfHeader(write(file("CWS", 5, b, true), "c.swf"), old));
    EXPECT_EQ(std::string(old.signature, 3), "CWS");  // the first 8 bytes are written
    EXPECT_EQ(old.version, 5);
    EXPECT_EQ(old.xmax, 77);  // the rest keeps its values
    EXPECT_EQ(old.frameCount, 77u);
}

TEST_F(SwfFileInfo, ForeignSignaturesShortAndMissingFiles)
{
    const swfw::Bytes b = body(15, 0, 11000, 0, 8000, 0, 24, 1);
    SwfHeaderInfo h = marked();
    EXPECT_FALSE(ReadSwfHeader(write(file("fws", 8, b, false), "lower.swf"), h));
    EXPECT_EQ(h.xmax, 77);
    EXPECT_FALSE(ReadSwfHeader(dir.filePath("none.swf"), h));

    swfw::Bytes full = file("FWS", 8, b, false);
    full.resize(22);
    h = marked();
    EXPECT_FALSE(ReadSwfHeader(write(full, "22.swf"), h));
    EXPECT_EQ(h.signature[0], 0);  // untouched
    EXPECT_EQ(h.version, 0);
    full = file("FWS", 8, b, false);
    full.resize(23);  // enough
    h = marked();
    EXPECT_TRUE(ReadSwfHeader(write(full, "23.swf"), h));
    EXPECT_EQ(h.xmax, 11000);
    EXPECT_EQ(h.frameCount, 1u);
    // With 31-bit fields the frame rate and count lie past byte 23: they read as zero.
    full = file("FWS", 8, body(31, 0, 11000, 0, 8000, 0, 24, 1), false);
    full.resize(23);
    EXPECT_TRUE(ReadSwfHeader(write(full, "23b.swf"), h));
    EXPECT_EQ(h.xmax, 11000);
    EXPECT_EQ(h.frameRateInteger, 0);
    EXPECT_EQ(h.frameCount, 0u);
}

TEST_F(SwfFileInfo, BrokenAndShortCompressedBodies)
{
    swfw::Bytes bad(38, 0x55);
    const uint8_t head[8] = {'C', 'W', 'S', 8, 100, 0, 0, 0};
    std::copy(head, head + 8, bad.begin());
    SwfHeaderInfo h;
    EXPECT_THROW(ReadSwfHeader(write(bad, "bad.swf"), h), vx::CodecError);

    // A stream that ends after 6 bytes of output: the rest of the body is zero.
    swfw::Bytes shortBody = body(15, 0, 11000, 0, 8000, 0, 24, 9);
    shortBody.resize(6);
    swfw::Bytes f = file("CWS", 8, shortBody, true, 0);
    f.resize(std::max<size_t>(f.size(), 23), 0);
    ASSERT_TRUE(ReadSwfHeader(write(f, "short.swf"), h));
    EXPECT_EQ(h.xmax, 11000);
    EXPECT_EQ(h.frameRateInteger, 0);
    EXPECT_EQ(h.frameCount, 0u);
}
