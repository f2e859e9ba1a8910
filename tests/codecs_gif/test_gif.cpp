#include "GifWriter.h"
#include "codecs/gif/GifImage.h"

#include <gtest/gtest.h>

#include <random>

using testgif::solid;
using vx::CodecError;
using vx::GifImage;

namespace {

constexpr uint32_t kClear = 0, kBlack = 0xFF000000, kRed = 0xFFFF0000, kGreen = 0xFF00FF00,
                   kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF, kYellow = 0xFFFFFF00;

testgif::File basicFile()
{
    testgif::File f;
    f.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {255, 255, 0}};
    return f;
}

GifImage load(const testgif::File& f)
{
    GifImage gif;
    gif.loadFromData(testgif::write(f));
    return gif;
}

// The picture as rows of colours, for readable comparisons.
std::vector<std::vector<uint32_t>> pixels(const QImage& image)
{
    std::vector<std::vector<uint32_t>> rows;
    for (int y = 0; y < image.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < image.width(); ++x)
            rows.back().push_back(image.pixel(x, y));
    }
    return rows;
}

testgif::File disposalFile()
{
    testgif::File f = basicFile();
    f.frames.push_back(solid(0, 0, 4, 4, 1));
    f.frames.back().disposal = 1;
    f.frames.push_back(solid(1, 1, 2, 2, 3));
    f.frames.push_back(solid(0, 0, 1, 1, 2));
    f.frames.back().disposal = 2;
    f.frames.push_back(solid(2, 2, 2, 2, 4));
    f.frames.back().disposal = 3;
    f.frames.push_back(solid(3, 0, 1, 1, 5));
    f.frames.back().controlBlock = false;
    return f;
}

}  // namespace

TEST(GifDecoder, FramesAreComposedWithTheirDisposal)
{
    const GifImage gif = load(disposalFile());
    ASSERT_EQ(gif.frameCount(), 5);
    EXPECT_EQ(gif.width(), 4);
    const uint32_t R = kRed, B = kBlue, W = kWhite, C = kClear;
    using Rows = std::vector<std::vector<uint32_t>>;
    const Rows expect[5] = {
        {{R, R, R, R}, {R, R, R, R}, {R, R, R, R}, {R, R, R, R}},
        {{R, R, R, R}, {R, B, B, R}, {R, B, B, R}, {R, R, R, R}},
        {{kGreen, R, R, R}, {R, B, B, R}, {R, B, B, R}, {R, R, R, R}},
        {{C, R, R, R}, {R, B, B, R}, {R, B, W, W}, {R, R, W, W}},         // background cleared
        {{C, R, R, kYellow}, {R, B, B, R}, {R, B, B, R}, {R, R, R, R}}};  // previous restored
    std::vector<QImage> held;
    for (int i = 0; i < 5; ++i) {
        held.push_back(gif.frameImage(i));
        EXPECT_EQ(held.back().format(), QImage::Format_ARGB32);
        EXPECT_EQ(pixels(held.back()), expect[i]) << "frame " << i;
    }
    // Images handed out are not changed by later composition.
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(pixels(held[size_t(i)]), expect[i]) << "held frame " << i;

    // Out of order: jumping ahead and going back give the same pictures.
    const GifImage other = load(disposalFile());
    EXPECT_EQ(pixels(other.frameImage(4)), expect[4]);
    EXPECT_EQ(pixels(other.frameImage(1)), expect[1]);
    EXPECT_EQ(pixels(other.frameImage(3)), expect[3]);
    EXPECT_EQ(pixels(other.frameImage(0)), expect[0]);
    EXPECT_TRUE(other.frameImage(-1).isNull());
    EXPECT_TRUE(other.frameImage(5).isNull());
    EXPECT_EQ(pixels(other.frameImage(2)), expect[2]);
}

TEST(GifDecoder, TransparencyLocalPalettesAndTheFirstFrameBitmap)
{
    testgif::File f = basicFile();
    f.width = 3;
    f.height = 1;
    testgif::Frame first = solid(0, 0, 3, 1, 0);
    first.indices = {1, 2, 3};
    testgif::Frame second = solid(0, 0, 3, 1, 0);
    second.indices = {0, 1, 2};
    second.palette = {{9, 9, 9}, {255, 0, 255}, {0, 255, 255}};
    second.transparent = 0;
    f.frames = {first, second};
    const GifImage gif = load(f);
    EXPECT_EQ(pixels(gif.frameImage(1)), (std::vector<std::vector<uint32_t>>{{kRed, 0xFFFF00FF, 0xFF00FFFF}}));

    // An opaque first frame covering the screen keeps the file's colours.
    const vx::Bitmap bmp = gif.bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 8);
    EXPECT_EQ(bmp.pixel(0, 0), kRed);
    EXPECT_EQ(bmp.pixel(2, 0), kBlue);

    // A first frame with transparent pixels gives 32 bits with alpha.
    std::swap(f.frames[0], f.frames[1]);
    const GifImage seeThrough = load(f);
    const vx::Bitmap alpha = seeThrough.bitmap();
    ASSERT_EQ(alpha.bitsPerPixel(), 32);
    EXPECT_TRUE(alpha.hasAlpha());
    EXPECT_EQ(alpha.pixel(0, 0) >> 24, 0u);
    EXPECT_EQ(alpha.pixel(1, 0), 0xFFFF00FF);
}

TEST(GifDecoder, InterlacedFramesAreDeinterlaced)
{
    testgif::File f = basicFile();
    f.width = 3;
    f.height = 19;
    testgif::Frame frame = solid(0, 0, 3, 19, 0);
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 3; ++x)
            frame.indices[size_t(y * 3 + x)] = uint8_t((y + x) % 6);
    frame.interlaced = true;
    f.frames = {frame};
    const QImage image = load(f).frameImage(0);
    const uint32_t colours[6] = {kBlack, kRed, kGreen, kBlue, kWhite, kYellow};
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image.pixel(x, y), colours[(y + x) % 6]) << x << "," << y;
}

TEST(GifDecoder, FramesOutsideTheScreenAreClipped)
{
    testgif::File f = basicFile();
    f.frames = {solid(2, 2, 5, 5, 3), solid(10, 10, 2, 2, 1), solid(0, 3, 4, 3, 2)};
    const GifImage gif = load(f);
    const QImage first = gif.frameImage(0);
    EXPECT_EQ(first.size(), QSize(4, 4));
    EXPECT_EQ(first.pixel(1, 1), kClear);
    EXPECT_EQ(first.pixel(3, 3), kBlue);
    EXPECT_EQ(pixels(gif.frameImage(1)), pixels(first));
    const QImage third = gif.frameImage(2);
    EXPECT_EQ(third.pixel(0, 3), kGreen);
    EXPECT_EQ(third.pixel(3, 2), kBlue);

    // Without a logical screen the first frame decides the size.
    QByteArray data = testgif::write(f);
    data[6] = data[7] = data[8] = data[9] = 0;
    GifImage sized;
    sized.loadFromData(data);
    EXPECT_EQ(sized.width(), 7);
    EXPECT_EQ(sized.height(), 7);
}

TEST(GifDecoder, AHugeScreenCostsOnlyWhatItsFramesCanCover)
{
    // Small frames on a 16384 x 16384 screen.
    testgif::File small = basicFile();
    small.width = small.height = 16384;
    small.frames = {solid(0, 0, 2, 2, 1), solid(4, 4, 2, 2, 2)};
    // 35 bytes: a frame as large as that screen whose two bytes of data
    // (clear, one pixel, end) can fill only its first row.
    const QByteArray thin("GIF89a\x00\x40\x00\x40\x80\x00\x00\x00\x00\x00\xff\x00\x00"
                          ",\x00\x00\x00\x00\x00\x40\x00\x40\x00\x02\x02\x4c\x01\x00;",
                          35);
    for (const QByteArray& data : {testgif::write(small), thin}) {
        GifImage gif;
        try {
            gif.loadFromData(data);
        } catch (const CodecError&) {
            continue;  // a first frame short of data is refused (without having cost its screen)
        }
        EXPECT_EQ(gif.width(), 16384);
        EXPECT_LE(int64_t(gif.coveredRect().width()) * gif.coveredRect().height(), int64_t(16384) * 8);
        // Drawn at a window's size without making the whole screen.
        const QImage shown = gif.frameImageAt(gif.frameCount() - 1, QSize(4096, 4096));
        ASSERT_EQ(shown.size(), QSize(4096, 4096));
        EXPECT_EQ(qAlpha(shown.pixel(4000, 4000)), 0);
    }
    const GifImage corner = load(small);
    EXPECT_EQ(corner.coveredRect(), QRect(0, 0, 6, 6));

    // Frames short of the screen: the covered part scaled into its place.
    testgif::File f = basicFile();
    f.width = f.height = 8;
    f.frames = {solid(4, 4, 4, 4, 1)};
    const QImage half = load(f).frameImageAt(0, QSize(4, 4));
    EXPECT_EQ(pixels(half), (std::vector<std::vector<uint32_t>>{{kClear, kClear, kClear, kClear},
                                                                {kClear, kClear, kClear, kClear},
                                                                {kClear, kClear, kRed, kRed},
                                                                {kClear, kClear, kRed, kRed}}));
}

TEST(GifDecoder, DelaysFollowTheBrowserRuleAndLoopsTheExtension)
{
    testgif::File f = basicFile();
    for (int cs : {0, 1, 2, 50}) {
        f.frames.push_back(solid(0, 0, 4, 4, 1));
        f.frames.back().delayCs = cs;
    }
    const GifImage plain = load(f);
    EXPECT_EQ(plain.frameDelayMs(0), 100);
    EXPECT_EQ(plain.frameDelayMs(1), 100);
    EXPECT_EQ(plain.frameDelayMs(2), 20);
    EXPECT_EQ(plain.frameDelayMs(3), 500);
    EXPECT_EQ(plain.frameDelayMs(4), 0);
    EXPECT_EQ(plain.repeatCount(), -1);
    EXPECT_EQ(plain.loopCount(), 0);

    f.loops = 0;
    EXPECT_EQ(load(f).loopCount(), 0);
    f.loops = 3;
    EXPECT_EQ(load(f).repeatCount(), 3);
    EXPECT_EQ(load(f).loopCount(), 4);
}

TEST(GifDecoder, BadInputIsACodecError)
{
    testgif::File f = basicFile();
    f.frames = {solid(0, 0, 4, 4, 1), solid(0, 0, 4, 4, 2)};
    const QByteArray good = testgif::write(f);
    std::mt19937 rng(11);
    QByteArray noise(1024, '\0');
    for (char& c : noise)
        c = char(rng());
    QByteArray huge = good;
    huge[6] = huge[7] = huge[8] = huge[9] = char(0xFF);
    const QByteArray bad[] = {QByteArray(), noise, QByteArray("GIF89a"), good.left(12),
                              good.left(good.size() - 4), QByteArray("\x89PNG\r\n\x1a\n", 8), huge};
    for (const QByteArray& data : bad) {
        GifImage gif;
        EXPECT_THROW(gif.loadFromData(data), CodecError);
        EXPECT_EQ(gif.frameCount(), 0);
        EXPECT_TRUE(gif.frameImage(0).isNull());
    }
    // Only the trailer missing: everything is there.
    f.trailer = false;
    EXPECT_EQ(load(f).frameCount(), 2);
    EXPECT_THROW(GifImage().loadFromFile("/nonexistent/a.gif"), CodecError);
}
