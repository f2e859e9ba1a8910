#include "codecs/simple/PpmImage.h"
#include "codecs_dib/DecoderChecks.h"

#include <gtest/gtest.h>

using namespace vxtest;
using vx::Bitmap;
using vx::CodecError;
using vx::PpmImage;

namespace {

Bitmap load(const Bytes& file)
{
    PpmImage g;
    g.loadFromData(file.data(), file.size());
    return g.bitmap();
}

Bitmap load(const std::string& text) { return load(Bytes().str(text)); }

const uint32_t kBlack = rgb(0, 0, 0), kWhite = rgb(255, 255, 255);

}  // namespace

TEST(Ppm, PlainFormatsWithCommentsAndWhitespace)
{
    // Bits may follow each other without separators; comments anywhere.
    Bitmap pbm = load("P1\n# a comment\n3 2\n010\n1 1\t0\n");
    ASSERT_EQ(pbm.bitsPerPixel(), 1);
    EXPECT_EQ(pbm.pixel(0, 0), kWhite);
    EXPECT_EQ(pbm.pixel(1, 0), kBlack);
    EXPECT_EQ(pbm.pixel(0, 1), kBlack);
    EXPECT_EQ(pbm.pixel(2, 1), kWhite);

    Bitmap pgm = load("P2\r\n2 1 # size\r\n15\r\n0 15\r\n");
    ASSERT_EQ(pgm.bitsPerPixel(), 8);
    EXPECT_EQ(pgm.pixel(0, 0), kBlack);
    EXPECT_EQ(pgm.pixel(1, 0), kWhite);

    Bitmap ppm = load("P3\v1\f1\n100\n100 50 0\n");
    ASSERT_EQ(ppm.bitsPerPixel(), 24);
    EXPECT_EQ(ppm.pixel(0, 0), rgb(255, 128, 0));
}

TEST(Ppm, RawFormatsAndSixteenBitSamples)
{
    Bytes pbm;
    pbm.str("P4 10 2\n").raw({0x80, 0x40, 0x00, 0xC0});
    Bitmap b = load(pbm);
    ASSERT_EQ(b.bitsPerPixel(), 1);
    EXPECT_EQ(b.pixel(0, 0), kBlack);
    EXPECT_EQ(b.pixel(1, 0), kWhite);
    EXPECT_EQ(b.pixel(9, 0), kBlack);
    EXPECT_EQ(b.pixel(9, 1), kBlack);
    EXPECT_EQ(b.pixel(7, 1), kWhite);

    Bytes pgm;
    pgm.str("P5 2 1 65535\n").u16be(65535).u16be(32768);
    Bitmap g = load(pgm);
    EXPECT_EQ(g.pixel(0, 0), kWhite);
    EXPECT_EQ(g.pixel(1, 0), rgb(128, 128, 128));

    // The byte after the maximum value is the single separator, even when
    // the first sample looks like whitespace.
    Bytes ppm;
    ppm.str("P6\n2 1\n255\n").raw({10, 20, 30, 40, 50, 60});
    Bitmap c = load(ppm);
    EXPECT_EQ(c.pixel(0, 0), rgb(10, 20, 30));
    EXPECT_EQ(c.pixel(1, 0), rgb(40, 50, 60));
}

TEST(Ppm, BadInputIsRefused)
{
    auto fails = [](const std::string& t) { EXPECT_THROW(load(t), CodecError); };
    fails("");
    fails("P7 1 1 255\n");
    fails("P6 2 2 255\nabc");              // truncated raw data
    fails("P3 1 1 255\n1 2");              // truncated plain data
    fails("P2 1 1 0\n0");                  // zero maximum
    fails("P2 1 1 70000\n0");              // maximum over 16 bits
    fails("P5 100000 100000 255\n");       // over the size limit
    fails("P5 99999999999999999999 1 255\n");
    fails("P1 2 1\n0 x");                  // not a bit
    fails("P5 -1 1 255\n");
    fails("P6 1 1 255");                   // no separator after the maximum

    const std::string good = "P2\n# c\n3 2\n255\n0 1 2\n3 4 5\n";
    EXPECT_NO_THROW(load(good));
    expectPrefixesSafe<PpmImage>(Bytes().str(good));
    for (auto& input : randomInputs(300, 80, 3)) {
        if (input.size() > 3) {
            input[0] = 'P';
            input[1] = uint8_t('1' + input[1] % 6);
            input[2] = ' ';
        }
        expectPrefixesSafe<PpmImage>(Bytes{input});
    }
}
