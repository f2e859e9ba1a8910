#include "codecs/DecodeCancel.h"
#include "codecs/jpeg/JpegEighth.h"
#include "codecs/jpeg/JpegImage.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include <jpeglib.h>

using vx::CodecError;
using vx::JpegImage;

namespace {

struct EncodeOptions {
    J_COLOR_SPACE input = JCS_RGB;
    J_COLOR_SPACE stored = JCS_YCbCr;
    bool progressive = false;
    int restartRows = 0;
    int quality = 95;
    int lumaH = 2, lumaV = 2;  // the first component's sampling (the others' is 1)
    // A progressive gray picture of this many scans (each AC coefficient
    // sent bit by bit); 0 for the usual scans.
    int scans = 0;
};

// Encodes width x height samples given per pixel by sample(x, y, out).
QByteArray encode(int width, int height, const EncodeOptions& o,
                  const std::function<void(int, int, uint8_t*)>& sample)
{
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = o.input == JCS_GRAYSCALE ? 1 : o.input == JCS_CMYK ? 4 : 3;
    c.in_color_space = o.input;
    jpeg_set_defaults(&c);
    jpeg_set_colorspace(&c, o.stored);
    jpeg_set_quality(&c, o.quality, TRUE);
    if (c.num_components == 3) {
        c.comp_info[0].h_samp_factor = o.lumaH;
        c.comp_info[0].v_samp_factor = o.lumaV;
    }
    if (o.progressive)
        jpeg_simple_progression(&c);
    std::vector<jpeg_scan_info> script;
    if (o.scans > 0) {
        // DC, then each of the 63 AC coefficients in `bits` successive passes.
        const int bits = (o.scans - 1) / 63;
        script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
        for (int k = 1; k <= 63; ++k) {
            script.push_back({1, {0, 0, 0, 0}, k, k, 0, bits - 1});
            for (int al = bits - 2; al >= 0; --al)
                script.push_back({1, {0, 0, 0, 0}, k, k, al + 1, al});
        }
        c.scan_info = script.data();
        c.num_scans = int(script.size());
    }
    c.restart_in_rows = o.restartRows;
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(width) * size_t(c.input_components));
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < width; ++x)
            sample(x, int(c.next_scanline), &row[size_t(x) * size_t(c.input_components)]);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    QByteArray data(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return data;
}

// Four flat quadrants: red, green, blue, gray.
void quadrants(int w, int h, int x, int y, uint8_t* p)
{
    static const uint8_t colours[4][3] = {{220, 30, 30}, {30, 200, 40}, {20, 40, 210}, {128, 128, 128}};
    const int q = (x >= w / 2 ? 1 : 0) + (y >= h / 2 ? 2 : 0);
    p[0] = colours[q][0];
    p[1] = colours[q][1];
    p[2] = colours[q][2];
}

QByteArray quadrantJpeg(int w, int h, EncodeOptions o = {})
{
    return encode(w, h, o, [w, h](int x, int y, uint8_t* p) { quadrants(w, h, x, y, p); });
}

void expectNear(uint32_t argb, int r, int g, int b, int tolerance = 10)
{
    EXPECT_NEAR(int((argb >> 16) & 255), r, tolerance);
    EXPECT_NEAR(int((argb >> 8) & 255), g, tolerance);
    EXPECT_NEAR(int(argb & 255), b, tolerance);
}

void expectQuadrants(const vx::Bitmap& bmp)
{
    const int w = bmp.width(), h = bmp.height();
    expectNear(bmp.pixel(w / 4, h / 4), 220, 30, 30);
    expectNear(bmp.pixel(3 * w / 4, h / 4), 30, 200, 40);
    expectNear(bmp.pixel(w / 4, 3 * h / 4), 20, 40, 210);
    expectNear(bmp.pixel(3 * w / 4, 3 * h / 4), 128, 128, 128);
}

void expectQuadrants(const QImage& image)
{
    ASSERT_EQ(image.format(), QImage::Format_RGB32);
    expectQuadrants(vx::Bitmap::fromImage(image));
}

}  // namespace

TEST(JpegDecoder, BaselineProgressiveAndRestartIntervalsDecodeTheSamePixels)
{
    const EncodeOptions variants[] = {
        {}, {JCS_RGB, JCS_YCbCr, true, 0, 95}, {JCS_RGB, JCS_YCbCr, false, 1, 95},
        {JCS_RGB, JCS_YCbCr, true, 2, 95}, {JCS_RGB, JCS_RGB, false, 0, 95}};
    for (const EncodeOptions& o : variants) {
        JpegImage jpeg;
        jpeg.loadFromData(quadrantJpeg(67, 45, o));
        EXPECT_EQ(jpeg.width(), 67);
        EXPECT_EQ(jpeg.height(), 45);
        EXPECT_EQ(jpeg.isProgressive(), o.progressive);
        const vx::Bitmap bmp = jpeg.bitmap();
        EXPECT_EQ(bmp.bitsPerPixel(), 24);
        expectQuadrants(bmp);
        const QImage shown = jpeg.displayImage(QSize(1000, 1000));
        EXPECT_EQ(shown.size(), QSize(67, 45));
        expectQuadrants(shown);
    }
}

TEST(JpegDecoder, GrayscaleGivesAnIndexedGrayBitmap)
{
    EncodeOptions o;
    o.input = o.stored = JCS_GRAYSCALE;
    JpegImage jpeg;
    jpeg.loadFromData(encode(32, 16, o, [](int x, int, uint8_t* p) { *p = x < 16 ? 40 : 200; }));
    EXPECT_TRUE(jpeg.isGrayscale());
    const vx::Bitmap bmp = jpeg.bitmap();
    ASSERT_EQ(bmp.bitsPerPixel(), 8);
    ASSERT_EQ(bmp.palette().size(), 256u);
    expectNear(bmp.pixel(4, 8), 40, 40, 40, 4);
    expectNear(bmp.pixel(28, 8), 200, 200, 200, 4);
    const QImage shown = jpeg.displayImage(QSize());
    ASSERT_EQ(shown.format(), QImage::Format_RGB32);
    expectNear(shown.pixel(28, 8), 200, 200, 200, 4);
}

TEST(JpegDecoder, AdobeCmykAndYcckAreInvertedInks)
{
    // Adobe stores 255 - ink: pure red is C=0 M=Y=100% K=0, stored 255,0,0,255.
    for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
        EncodeOptions o;
        o.input = JCS_CMYK;
        o.stored = stored;
        JpegImage jpeg;
        jpeg.loadFromData(encode(32, 32, o, [](int x, int y, uint8_t* p) {
            const bool left = x < 16, top = y < 16;
            const uint8_t red[4] = {255, 0, 0, 255}, blue[4] = {0, 0, 255, 255};
            const uint8_t white[4] = {255, 255, 255, 255}, black[4] = {255, 255, 255, 0};
            const uint8_t* c = top ? (left ? red : blue) : (left ? white : black);
            std::copy(c, c + 4, p);
        }));
        EXPECT_TRUE(jpeg.isCmyk());
        const vx::Bitmap bmp = jpeg.bitmap();
        ASSERT_EQ(bmp.bitsPerPixel(), 24);
        expectNear(bmp.pixel(4, 4), 255, 0, 0, 12);
        expectNear(bmp.pixel(28, 4), 0, 0, 255, 12);
        expectNear(bmp.pixel(4, 28), 255, 255, 255, 12);
        expectNear(bmp.pixel(28, 28), 0, 0, 0, 12);
        const QImage shown = jpeg.displayImage(QSize());
        expectNear(shown.pixel(4, 4), 255, 0, 0, 12);
        expectNear(shown.pixel(28, 28), 0, 0, 0, 12);
    }
}

TEST(JpegDecoder, SpeedFirstPicksTheSmallestCoveringScaleAndCachesIt)
{
    JpegImage jpeg;
    jpeg.loadFromData(quadrantJpeg(800, 600));
    EXPECT_EQ(jpeg.scaleFor(QSize(200, 150)), 8) << "speed first is off by default";
    jpeg.setSpeedFirst(true);
    EXPECT_EQ(jpeg.scaleFor(QSize(200, 150)), 2);   // 200 x 150 covers exactly
    EXPECT_EQ(jpeg.scaleFor(QSize(201, 150)), 3);   // 300 x 225
    EXPECT_EQ(jpeg.scaleFor(QSize(100, 450)), 6);   // height decides
    EXPECT_EQ(jpeg.scaleFor(QSize(800, 600)), 8);
    EXPECT_EQ(jpeg.scaleFor(QSize(1600, 1200)), 8); // never upscaled by the decoder
    EXPECT_EQ(jpeg.scaleFor(QSize()), 8);

    // Shown smaller: decoded at the covering scale and shrunk to exactly the size shown.
    const QImage small = jpeg.displayImage(QSize(200, 150));
    EXPECT_EQ(small.size(), QSize(200, 150));
    expectQuadrants(small);
    EXPECT_EQ(jpeg.displayImage(QSize(200, 150)).cacheKey(), small.cacheKey()) << "same size: cached";
    const QImage smaller = jpeg.displayImage(QSize(180, 120));
    EXPECT_EQ(smaller.size(), QSize(180, 120));
    expectQuadrants(smaller);
    EXPECT_EQ(jpeg.displayImage(QSize(800, 600)).size(), QSize(800, 600));
    // bitmap() stays at full resolution whatever the display does.
    EXPECT_EQ(jpeg.bitmap().width(), 800);
}

TEST(JpegDecoder, ADecodePreparedForALargerViewServesEveryTargetItCovers)
{
    // Noise, so a different decode or shrink shows in the pixels.
    std::mt19937 rng(3);
    const QByteArray data = encode(800, 600, {}, [&](int, int, uint8_t* p) {
        p[0] = uint8_t(rng());
        p[1] = uint8_t(rng());
        p[2] = uint8_t(rng());
    });
    struct Case {
        QSize prepared, shown;
        bool samePixels;  // as a decode without preparing
    } const cases[] = {
        {{300, 220}, {290, 210}, true},    // both at 3/8
        {{400, 300}, {300, 225}, false},   // prepared at 4/8: shrunk from the larger decode
        {{300, 225}, {301, 225}, true},    // needs 4/8: decoded afresh
        {{1000, 900}, {800, 600}, true},   // natural size: the display decode itself
        {{1000, 900}, {200, 150}, true},   // natural size prepared, shown smaller: decoded afresh
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.prepared.width() << "x" << c.prepared.height() << " -> "
                                        << c.shown.width() << "x" << c.shown.height());
        JpegImage plain, prepared;
        plain.loadFromData(data);
        prepared.loadFromData(data);
        plain.setSpeedFirst(true);
        prepared.setSpeedFirst(true);
        prepared.prepareDisplay(c.prepared);
        const QImage expected = plain.displayImage(c.shown);
        const QImage got = prepared.displayImage(c.shown);
        ASSERT_EQ(got.size(), expected.size());
        EXPECT_EQ(got == expected, c.samePixels);
        if (!c.samePixels) {
            // Close to it: the same picture, sharper.
            long long diff = 0;
            for (int y = 0; y < got.height(); ++y)
                for (int x = 0; x < got.width(); ++x)
                    diff += std::abs(qGreen(got.pixel(x, y)) - qGreen(expected.pixel(x, y)));
            EXPECT_LT(diff / (got.width() * got.height()), 12);
        }
    }
}

TEST(JpegDecoder, LoadsFromAFileAndRefusesMissingOnes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(quadrantJpeg(20, 10));
    f.close();
    JpegImage jpeg;
    jpeg.loadFromFile(path);
    EXPECT_EQ(jpeg.width(), 20);
    EXPECT_THROW(JpegImage().loadFromFile(dir.filePath("missing.jpg")), CodecError);
}

TEST(JpegDecoder, BadInputIsACodecError)
{
    const QByteArray good = quadrantJpeg(64, 64);
    std::mt19937 rng(7);
    QByteArray noise(4096, '\0');
    for (char& c : noise)
        c = char(rng());
    const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
    for (const QByteArray& bad : {QByteArray(), noise, png, good.left(2), good.left(120)}) {
        JpegImage jpeg;
        EXPECT_THROW(jpeg.loadFromData(bad), CodecError);
        EXPECT_EQ(jpeg.width(), 0);
        EXPECT_TRUE(jpeg.displayImage(QSize(10, 10)).isNull());
    }

    // Dimensions in the frame header beyond the limits.
    QByteArray huge = good;
    const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
    ASSERT_GT(sof, 0);
    huge[sof + 5] = char(0xEA);  // height 60000
    huge[sof + 6] = char(0x60);
    huge[sof + 7] = char(0xEA);  // width 60000
    huge[sof + 8] = char(0x60);
    EXPECT_THROW(JpegImage().loadFromData(huge), CodecError);
}

TEST(JpegDecoder, DataEndingInsideTheScanStillDecodesWithoutError)
{
    // A damaged tail shows as much of the picture as the data holds.
    const QByteArray good = quadrantJpeg(64, 64);
    const qsizetype sos = good.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(sos, 0);
    JpegImage jpeg;
    jpeg.loadFromData(good.left(sos + (good.size() - sos) / 2));
    const vx::Bitmap bmp = jpeg.bitmap();
    ASSERT_EQ(bmp.width(), 64);
    expectNear(bmp.pixel(8, 8), 220, 30, 30);
    EXPECT_EQ(jpeg.displayImage(QSize(16, 16)).isNull(), false);
}

TEST(JpegDecoder, FilesDecodeAsTheirBytesDoThroughEveryBufferRefill)
{
    // A comment marker larger than the read buffer is skipped across
    // refills; a cut file ends with what it holds; an empty file is an error.
    const QByteArray good = quadrantJpeg(64, 64);
    QByteArray padded = good.left(2);
    QByteArray comment(70000, 'x');
    padded += QByteArray("\xFF\xFE", 2);
    padded += char(0xFF);
    padded += char(0xFF);
    padded += comment.left(0xFFFF - 2);
    padded += QByteArray("\xFF\xFE", 2);
    padded += char(0x20);
    padded += char(0x00);
    padded += comment.left(0x2000 - 2);
    padded += good.mid(2);
    const qsizetype sos = good.indexOf(QByteArray("\xFF\xDA", 2));
    ASSERT_GT(sos, 0);
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    JpegImage fromMemory, fromFile, cut;
    fromMemory.loadFromData(good);
    fromFile.loadFromFile(write("padded.jpg", padded));
    ASSERT_EQ(fromFile.width(), 64);
    const vx::Bitmap a = fromMemory.bitmap(), b = fromFile.bitmap();
    for (int y = 0; y < 64; y += 7)
        for (int x = 0; x < 64; x += 7)
            EXPECT_EQ(a.pixel(x, y), b.pixel(x, y)) << x << "," << y;
    fromFile.setSpeedFirst(true);
    EXPECT_EQ(fromFile.displayImage(QSize(16, 16)).size(), QSize(16, 16));
    cut.loadFromFile(write("cut.jpg", good.left(sos + (good.size() - sos) / 2)));
    EXPECT_EQ(cut.bitmap().width(), 64);
    EXPECT_THROW(JpegImage().loadFromFile(write("empty.jpg", QByteArray())), CodecError);
}

TEST(JpegDecoder, ProgressiveScansAreLimitedAsLibjpegTurboToolsDoAndDecodesStopWhenCancelled)
{
    const auto gray = [](int x, int y, uint8_t* p) { *p = uint8_t(x * 7 + y * 3); };
    struct Case {
        int scans;
        bool decodes;
    };
    for (const Case& c : {Case{1 + 63 * 7, true}, Case{1 + 63 * 9, false}}) {
        EncodeOptions o;
        o.input = JCS_GRAYSCALE;
        o.stored = JCS_GRAYSCALE;
        o.scans = c.scans;
        JpegImage jpeg;
        jpeg.loadFromData(encode(16, 16, o, gray));
        ASSERT_TRUE(jpeg.isProgressive());
        jpeg.setSpeedFirst(true);
        if (c.decodes) {
            EXPECT_EQ(jpeg.bitmap().width(), 16) << c.scans;
            EXPECT_EQ(jpeg.displayImage(QSize(4, 4)).size(), QSize(4, 4)) << c.scans;
        } else {
            EXPECT_THROW(jpeg.bitmap(), CodecError) << c.scans;
            EXPECT_THROW(jpeg.displayImage(QSize(4, 4)), CodecError) << c.scans;
        }
    }

    // A decode whose job was cancelled stops at libjpeg's next progress call.
    std::atomic<bool> cancelled{true};
    for (bool progressive : {false, true}) {
        EncodeOptions o;
        o.progressive = progressive;
        JpegImage jpeg;
        jpeg.loadFromData(encode(64, 64, o, [](int x, int y, uint8_t* p) { quadrants(64, 64, x, y, p); }));
        vx::CancelScope scope(&cancelled);
        EXPECT_THROW(jpeg.bitmap(), vx::DecodeCancelled);
        EXPECT_THROW(jpeg.displayImage(QSize(16, 16)), vx::DecodeCancelled);
    }
}

namespace {

std::optional<QImage> eighth(const QByteArray& data, size_t splitBytes, long* secondThreadUnits = nullptr)
{
    return vx::jpeg::decodeEighth(
        vx::jpeg::Source::memory(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())), splitBytes,
        secondThreadUnits);
}

QImage libjpegEighth(const QByteArray& data)
{
    return vx::jpeg::decodeDisplay(
        vx::jpeg::Source::memory(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size())), 1, true);
}

}  // namespace

TEST(JpegEighth, EachPixelIsItsBlocksMeanReadByOneOrTwoThreadsAndOtherKindsAreLeftToLibjpeg)
{
    // Noise over a gradient: every block differs, and a split read that
    // joined its halves at the wrong place would show.
    auto picture = [](int w, int h, EncodeOptions o) {
        std::mt19937 rng(uint32_t(w * 31 + h));
        return encode(w, h, o, [&](int x, int y, uint8_t* p) {
            for (int i = 0; i < (o.input == JCS_GRAYSCALE ? 1 : 3); ++i)
                p[i] = uint8_t(int(rng() % 64) + (x * (i + 1) + y * (3 - i)) * 191 / (4 * (w + h)));
        });
    };
    EncodeOptions gray;
    gray.input = gray.stored = JCS_GRAYSCALE;
    EncodeOptions full, half, quarter, restarts, progressive, cmyk;
    full.lumaH = full.lumaV = 1;
    half.lumaV = 1;
    restarts.restartRows = 3;
    progressive.progressive = true;
    cmyk.input = cmyk.stored = JCS_CMYK;
    struct Case {
        const char* what;
        int width, height;
        EncodeOptions options;
        int tolerance;  // against libjpeg at an eighth; -1: left to libjpeg
    } const cases[] = {
        // Where libjpeg's eighth is its blocks' means too, the same pixels.
        {"gray", 517, 389, gray, 0},
        {"4:4:4", 403, 301, full, 0},
        {"4:2:2", 650, 330, half, 0},
        // libjpeg takes colour halved both ways from a 2 x 2 transform of
        // each block; ours is the block's mean: close, not equal.
        {"4:2:0", 777, 513, quarter, 20},
        {"4:2:0 with restart markers", 777, 513, restarts, 20},
        {"progressive", 300, 200, progressive, -1},
        {"CMYK", 300, 200, cmyk, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray data = picture(c.width, c.height, c.options);
        const std::optional<QImage> one = eighth(data, 0);
        if (c.tolerance < 0) {
            EXPECT_FALSE(one.has_value());
            continue;
        }
        ASSERT_TRUE(one.has_value());
        const QImage reference = libjpegEighth(data);
        ASSERT_EQ(one->size(), reference.size());
        ASSERT_EQ(one->format(), QImage::Format_RGB32);
        int worst = 0;
        for (int y = 0; y < reference.height(); ++y)
            for (int x = 0; x < reference.width(); ++x)
                for (int shift : {0, 8, 16, 24})
                    worst = std::max(worst, std::abs(int((one->pixel(x, y) >> shift) & 255)
                                                     - int((reference.pixel(x, y) >> shift) & 255)));
        EXPECT_LE(worst, c.tolerance);
        // Split in the middle, the two threads' picture is the one thread's,
        // and the second gave a good part of it.
        long second = 0;
        const std::optional<QImage> two = eighth(data, 1, &second);
        ASSERT_TRUE(two.has_value());
        EXPECT_TRUE(*two == *one);
        const long units = long((c.width + 15) / 16) * ((c.height + 15) / 16);
        EXPECT_GT(second, units / 4);
        // A scan cut short is left to libjpeg, which shows what there is.
        EXPECT_FALSE(eighth(data.left(data.size() * 2 / 3), 1).has_value());
        // A cancelled decode stops, however many threads read it.
        std::atomic<bool> cancel{true};
        vx::CancelScope scope(&cancel);
        EXPECT_THROW(eighth(data, 0), vx::DecodeCancelled);
        EXPECT_THROW(eighth(data, 1), vx::DecodeCancelled);
    }
}
