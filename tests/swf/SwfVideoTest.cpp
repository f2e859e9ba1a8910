// Embedded video: frames compared with FFmpeg's decode of the same movies,
// the frame a placement's ratio picks (seeking, gaps, broken and hostile
// streams), and the video drawn like any bitmap character.
#include "SwfVideoTestUtil.h"

#include "swf/SwfH263Bitstream.h"
#include "swf/SwfH263Decoder.h"
#include "swf/SwfIdct.h"
#include "swf/SwfVideo.h"
#include "swf/SwfVideoColour.h"

#include <QFile>
#include <QTemporaryDir>
#include <random>
#include <set>

using namespace swfw;
using swftest::screenPacket;
using swftest::solid;
using vx::swf::Player;
using vx::swf::Quality;

namespace {

class SwfVideo : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

QString conformanceMovie(const char* name)
{
    const QString path = QStringLiteral(VX_SWF_CONFORMANCE_DIR "/") + QLatin1String(name) + QStringLiteral("/test.swf");
    return QFile::exists(path) ? path : QString();
}

}  // namespace

// Our frames against FFmpeg's decode of the same data: movies FFmpeg wrote
// as SWF, FLV streams we wrap into SWF ourselves, and VP6 movies of the
// reference set. The order of visits plays through and then seeks.
TEST_F(SwfVideo, FramesMatchFfmpegPlayingAndSeeking)
{
    if (swftest::ffmpegPath().isEmpty()) GTEST_SKIP() << "ffmpeg is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString src = QStringLiteral("testsrc=size=96x64:rate=12");
    struct Row {
        const char* name;
        QStringList encode;  // ffmpeg output options for the source movie; empty: `movie` is given
        QString movie;       // the file ffmpeg decodes and (when SWF) we play
        bool wrapFlv;        // the movie is FLV: its packets go into an SWF of ours
    };
    const Row rows[] = {
        {"H.263 in FFmpeg's SWF, key frame every 5", {"-c:v", "flv1", "-g", "5", "-q:v", "4"}, dir.filePath("h263.swf"), false},
        {"Screen Video in FFmpeg's SWF", {"-c:v", "flashsv"}, dir.filePath("screen.swf"), false},
        {"Screen Video 2 from FLV", {"-c:v", "flashsv2"}, dir.filePath("screen2.flv"), true},
        {"H.263 from FLV", {"-c:v", "flv1", "-g", "7"}, dir.filePath("h263.flv"), true},
        {"VP6 with alpha (reference movie)", {}, conformanceMovie("visual__video__vp6_alphaoffset"), false},
        {"VP6 with alpha, colours (reference movie)", {}, conformanceMovie("visual__video__colorconversion__vp6a"), false},
    };
    int compared = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.movie.isEmpty()) continue;  // the reference set is not here
        if (!row.encode.isEmpty()) {
            ASSERT_TRUE(swftest::ffmpeg(QStringList{"-f", "lavfi", "-i", src, "-t", "1.5"} + row.encode + QStringList{row.movie}));
        }
        const QString frames = dir.filePath(QStringLiteral("f%1_%03d.png").arg(compared));
        ASSERT_TRUE(swftest::ffmpeg({"-i", row.movie, frames}));
        std::shared_ptr<vx::swf::Movie> movie;
        if (row.wrapFlv) {
            QFile f(row.movie);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            const auto packets = swftest::flvVideoPackets(f.readAll());
            ASSERT_FALSE(packets.empty());
            std::vector<Bytes> data;
            for (const auto& p : packets) data.push_back(p.data);
            movie = swftest::load(swftest::videoMovie(96, 64, packets[0].codec, data));
        } else {
            movie = vx::swf::Movie::fromFile(row.movie);
        }
        Player player(movie);
        player.setLoop(false);
        int count = 0;
        while (QFile::exists(QString(frames).replace("%03d", QStringLiteral("%1").arg(count + 1, 3, 10, QChar('0'))))) ++count;
        ASSERT_GT(count, 0);
        std::vector<int> visits;
        for (int i = 0; i < std::min(count, 18); ++i) visits.push_back(i);
        for (int i : {count - 2, 3, 1, count - 1, 0, count / 2}) visits.push_back(std::clamp(i, 0, count - 1));
        for (int k : visits) {
            if (k == player.currentFrame() + 1) player.advance();
            else player.gotoFrame(k);
            ASSERT_EQ(player.currentFrame(), k);
            // Transparent pictures are laid on the background as we do it.
            QImage expected(QString(frames).replace("%03d", QStringLiteral("%1").arg(k + 1, 3, 10, QChar('0'))));
            ASSERT_FALSE(expected.isNull());
            QImage bg(expected.size(), QImage::Format_ARGB32_Premultiplied);
            bg.fill(player.backgroundColor());
            const QImage ours = swftest::shot(player).convertToFormat(QImage::Format_RGB32);
            if (expected.hasAlphaChannel()) {
                // FFmpeg's alpha pictures carry the colour premultiplied already: add the background's share.
                QImage e = expected.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < e.height(); ++y) {
                    QRgb* line = reinterpret_cast<QRgb*>(e.scanLine(y));
                    for (int x = 0; x < e.width(); ++x) {
                        const int a = qAlpha(line[x]);
                        const QRgb b = bg.pixel(x, y);
                        auto mix = [&](int c, int under) { return std::min(255, std::min(c, a) + (under * (255 - a) + 127) / 255); };
                        line[x] = qRgb(mix(qRed(line[x]), qRed(b)), mix(qGreen(line[x]), qGreen(b)), mix(qBlue(line[x]), qBlue(b)));
                    }
                }
                expected = e;
            }
            expected = expected.convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(ours.size(), expected.size());
            // FFmpeg's colour conversion smooths the chroma: close, not equal (neighbouring
            // frames of this source differ by 37 dB and less).
            EXPECT_GT(swftest::psnr(ours, expected), 44.0) << "frame " << k;
        }
        ++compared;
    }
    EXPECT_GE(compared, 4);
}

// Which picture a placement shows: the frame its ratio names, or the last
// one before it; Screen Video blocks left empty keep the previous picture,
// so seeking must start again from a key frame. Hostile and broken streams
// show nothing (or what they could decode) and never crash.
TEST_F(SwfVideo, RatioPicksTheFrameAndBrokenStreamsDrawNothing)
{
    const QRgb red = qRgb(220, 0, 0), blue = qRgb(0, 0, 220), green = qRgb(0, 200, 0), yellow = qRgb(230, 230, 0);
    const QRgb white = qRgb(255, 255, 255);
    // The top-left block of a 32 x 32 picture in 16 x 16 blocks is (0, 1) counted from the bottom.
    auto onlyTopLeft = [](int c, int r) { return !(c == 0 && r == 1); };
    auto key = [](QRgb c) { return screenPacket(solid(32, 32, c)); };
    auto topLeft = [&](QRgb c) { return screenPacket(solid(32, 32, c), onlyTopLeft); };
    struct Step {
        int frame;
        QRgb topLeft, elsewhere;
    };
    struct Row {
        const char* name;
        std::function<Movie()> build;
        std::vector<Step> steps;
    };
    auto plain = [&](std::vector<Bytes> packets, int codec = vx::swf::kVideoScreen) {
        return [packets, codec] { return swftest::videoMovie(32, 32, codec, packets); };
    };
    // One timeline frame per ratio given, after the listed VideoFrame tags (number, packet).
    auto custom = [](std::vector<std::pair<int, Bytes>> tags, std::vector<int> ratios, int codec = vx::swf::kVideoScreen,
                     int w = 32, int h = 32, bool framesFirst = false) {
        return [=] {
            Movie m(32 * 20, 32 * 20, 12);
            if (framesFirst)
                for (const auto& [n, p] : tags) m.tag(61, swftest::videoFrame(1, n, p));
            m.tag(60, swftest::defineVideo(1, int(tags.size()), w, h, codec));
            if (!framesFirst)
                for (const auto& [n, p] : tags) m.tag(61, swftest::videoFrame(1, n, p));
            for (size_t i = 0; i < ratios.size(); ++i) {
                m.place(1, i ? 0 : 1, Matrix(), nullptr, ratios[i], -1, "", i > 0);
                m.showFrame();
            }
            return m;
        };
    };
    // The stream's frames in the timeline of clip 2, which the root places once.
    auto inClip = [](std::vector<Bytes> packets) {
        return [packets] {
            Movie m(32 * 20, 32 * 20, 12);
            m.tag(60, swftest::defineVideo(1, int(packets.size()), 32, 32, vx::swf::kVideoScreen));
            Writer clip;
            clip.u16(2);
            clip.u16(unsigned(packets.size()));
            auto tag = [&clip](int code, const Bytes& body) {
                clip.u16(unsigned(code << 6 | 0x3f));
                clip.u32(uint32_t(body.size()));
                clip.bytes(body);
            };
            for (size_t i = 0; i < packets.size(); ++i) {
                tag(61, swftest::videoFrame(1, int(i), packets[i]));
                Writer place;
                place.u8(i ? 0x11 : 0x12);  // new with ratio, then moved with ratio
                place.u16(1);
                if (!i) place.u16(1);
                place.u16(unsigned(i));
                tag(26, place.data);
                tag(1, {});
            }
            clip.u16(0);
            m.tag(39, clip.data);
            m.place(1, 2);
            m.showFrame();
            return m;
        };
    };
    Bytes cut = key(green);
    cut.resize(cut.size() / 2);
    // A Screen Video header claiming 4,095 x 4,095 pixels with one block.
    Bytes huge = key(red);
    huge[0] = 0x0f;
    huge[1] = 0xff;
    huge[2] = 0x0f;
    huge[3] = 0xff;
    // An H.263 picture header asking for 65,535 x 65,535 pixels.
    Writer h263;
    h263.ub(1, 17);
    h263.ub(0, 5);
    h263.ub(0, 8);
    h263.ub(1, 3);
    h263.ub(65535, 16);
    h263.ub(65535, 16);
    h263.ub(0, 2);
    h263.ub(0, 6);
    h263.flushBits();
    for (int i = 0; i < 64; ++i) h263.u8(0x55);
    const Row rows[] = {
        {"ratio names the frame; inter frames keep blocks; seeking goes back to the key frame",
         plain({key(red), topLeft(blue), key(green), topLeft(yellow), topLeft(blue)}),
         {{0, red, red}, {1, blue, red}, {2, green, green}, {3, yellow, green}, {1, blue, red}, {4, blue, green},
          {3, yellow, green}, {0, red, red}}},
        {"a ratio between frames shows the latest before it, whatever the order in the file",
         custom({{4, key(blue)}, {0, key(red)}, {9, key(green)}}, {0, 2, 4, 6, 9, 12, 3}),
         {{0, red, red}, {1, red, red}, {2, blue, blue}, {3, blue, blue}, {4, green, green}, {5, green, green},
          {6, red, red}}},
        {"a video in a clip follows the clip's frames and starts again when it loops (-1: a tick)",
         inClip({key(red), topLeft(blue), topLeft(green)}),
         {{0, red, red}, {-1, blue, red}, {-1, green, red}, {-1, red, red}, {-1, blue, red}}},
        {"a frame number given twice keeps its first packet", custom({{0, key(red)}, {0, key(green)}}, {0}),
         {{0, red, red}}},
        {"a ratio before the first frame shows nothing", custom({{5, key(red)}}, {0, 5}),
         {{0, white, white}, {1, red, red}}},
        {"frames before their stream are dropped", custom({{0, key(red)}}, {0}, vx::swf::kVideoScreen, 32, 32, true),
         {{0, white, white}}},
        {"unknown codec ids draw nothing", custom({{0, key(red)}}, {0, 0}, 0), {{0, white, white}}},
        {"codec id 255", custom({{0, key(red)}}, {0}, 255), {{0, white, white}}},
        {"Screen Video packets given to the H.263 decoder", custom({{0, key(red)}}, {0}, vx::swf::kVideoH263),
         {{0, white, white}}},
        {"a cut packet shows nothing until a whole one comes",
         custom({{0, cut}, {1, key(blue)}}, {0, 1, 0}), {{0, white, white}, {1, blue, blue}, {2, white, white}}},
        {"empty VideoFrame bodies", custom({{0, {}}, {1, key(red)}}, {0, 1}), {{0, white, white}, {1, red, red}}},
        {"a picture too large to hold is refused", custom({{0, huge}}, {0}), {{0, white, white}}},
        {"an H.263 picture too large to hold is refused", custom({{0, h263.data}}, {0}, vx::swf::kVideoH263),
         {{0, white, white}}},
        {"a stream declared huge stretches its picture", custom({{0, key(red)}}, {0}, vx::swf::kVideoScreen, 65535, 65535),
         {{0, red, red}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Movie m = row.build();
        Player p(swftest::load(m));
        p.setLoop(false);
        for (const Step& s : row.steps) {
            if (s.frame < 0) p.advance();
            else p.gotoFrame(s.frame);
            const QImage img = swftest::shot(p);
            EXPECT_COLOR(img, 4, 4, s.topLeft, 2);
            EXPECT_COLOR(img, 27, 27, s.elsewhere, 2);
        }
        // Every cut of the movie plays without harm.
        const Bytes whole = m.bytes();
        for (size_t n = 8; n < whole.size(); n += 1 + whole.size() / 40) {
            try {
                Player q(vx::swf::Movie::fromData(swftest::toQt(Bytes(whole.begin(), whole.begin() + long(n)))));
                q.advance();
                (void)swftest::shot(q);
            } catch (const vx::CodecError&) {
            }
        }
    }
}

// A video picture is drawn as a bitmap character with the same pixels is:
// the placement's matrix, colour transform and masks apply alike.
TEST_F(SwfVideo, DrawnLikeABitmapCharacter)
{
    QImage pic(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) pic.setPixel(x, y, qRgb(x * 8, y * 8, (x ^ y) * 8 & 255));
    std::vector<uint32_t> argb;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) argb.push_back(pic.pixel(x, y));
    Matrix turned = Matrix::scale(1.7, 1.3, 600, 150);
    turned.r0 = 0.5;
    turned.r1 = -0.4;
    CxForm tint;
    tint.rm = 128;
    tint.bm = 300;
    tint.ga = 40;
    tint.am = 200;
    struct Row {
        const char* name;
        Matrix matrix;
        const CxForm* cx;
        bool masked;
        Quality quality;
    };
    const Row rows[] = {
        {"placed as it is", Matrix::translate(100, 200), nullptr, false, Quality::Low},
        {"scaled, turned and skewed", turned, nullptr, false, Quality::Low},
        {"antialiased edges", turned, nullptr, false, Quality::High},
        {"colour transform with alpha", Matrix::scale(2, 2, 40, 40), &tint, false, Quality::Low},
        {"under a mask", Matrix::scale(2.5, 2.5), nullptr, true, Quality::Low},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QImage shots[2];
        for (int asVideo = 0; asVideo < 2; ++asVideo) {
            Movie m(80 * 20, 80 * 20, 12);
            m.background(0x336699);
            if (asVideo) {
                // Bitmaps are smoothed at high quality; the video asks for it alike.
                m.tag(60, swftest::defineVideo(7, 1, 32, 32, vx::swf::kVideoScreen, 0, row.quality == Quality::High));
                m.tag(61, swftest::videoFrame(7, 0, screenPacket(pic)));
            } else {
                m.tag(36, defineBitsLossless2(7, 32, 32, argb));
            }
            if (row.masked) {
                ShapeBuilder circle;
                const int f = circle.addFill(Fill::solid(0xff000000));
                circle.style(0, f, 0);
                circle.moveTo(400, 800);
                circle.curveTo(400, 400, 800, 400);
                circle.curveTo(1200, 400, 1200, 800);
                circle.curveTo(1200, 1200, 800, 1200);
                circle.curveTo(400, 1200, 400, 800);
                m.shape(2, circle);
                m.place(1, 2, Matrix(), nullptr, -1, 2);
            }
            m.place(2, 7, row.matrix, row.cx, asVideo ? 0 : -1);
            m.showFrame();
            Player p(swftest::load(m));
            shots[asVideo] = swftest::shot(p, row.quality);
        }
        EXPECT_EQ(shots[1], shots[0]);
    }
}

// Smoothing: the stream's flag samples the picture bilinearly when it is
// scaled, at high quality only; otherwise each pixel is the nearest one.
TEST_F(SwfVideo, SmoothingFlagSamplesBilinearlyAtHighQuality)
{
    QImage checker(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) checker.setPixel(x, y, (x + y) & 1 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    struct Row {
        bool flag;
        Quality quality;
        bool blends;
    };
    for (const Row& row : {Row{true, Quality::High, true}, Row{false, Quality::High, false}, Row{true, Quality::Low, false}}) {
        SCOPED_TRACE(testing::Message() << "flag " << row.flag << " quality " << int(row.quality));
        Movie m(64 * 20, 64 * 20, 12);
        m.tag(60, swftest::defineVideo(1, 1, 8, 8, vx::swf::kVideoScreen, 0, row.flag));
        m.tag(61, swftest::videoFrame(1, 0, screenPacket(checker)));
        m.place(1, 1, Matrix::scale(8, 8), nullptr, 0);
        m.showFrame();
        Player p(swftest::load(m));
        const QImage img = swftest::shot(p, row.quality);
        std::set<QRgb> colours;
        for (int y = 4; y < 60; ++y)
            for (int x = 4; x < 60; ++x) colours.insert(img.pixel(x, y));
        EXPECT_EQ(colours.size() > 2, row.blends) << colours.size() << " colours";
    }
}

// Only the few streams drawn last keep a decoder and a picture; the others
// give theirs up and decode again from their key frame when drawn.
TEST_F(SwfVideo, DecodersStayFewAcrossManyStreams)
{
    const Bytes packet = screenPacket(solid(16, 16, qRgb(10, 20, 30)));
    std::vector<std::unique_ptr<vx::swf::VideoStream>> streams;
    vx::swf::VideoLibrary library;
    for (int i = 0; i < 12; ++i) {
        vx::swf::VideoInfo info;
        info.width = info.height = 16;
        info.codec = vx::swf::kVideoScreen;
        streams.push_back(std::make_unique<vx::swf::VideoStream>(info));
        streams.back()->addFrame(0, packet.data(), 0, packet.size());
        const auto v = library.picture(*streams.back(), 0, packet.data(), packet.size());
        ASSERT_TRUE(v.image);
        EXPECT_EQ(v.image->pixel(3, 3), qRgb(10, 20, 30));
        size_t live = 0;
        for (const auto& s : streams) live += s->holdsDecoder();
        EXPECT_LE(live, vx::swf::VideoLibrary::kMaxLive);
    }
    const auto again = library.picture(*streams.front(), 0, packet.data(), packet.size());
    ASSERT_TRUE(again.image);
    EXPECT_EQ(again.image->pixel(3, 3), qRgb(10, 20, 30));
}

// Every luma, Cb and Cr value through the colour conversion, against the
// 16.16 fixed-point sum rounded once, by every width of vector code; at
// widths that end inside a vector's run of pixels too, and with an alpha
// plane that bounds the colour.
TEST_F(SwfVideo, ColourConversionRoundsEveryValueOnce)
{
    const auto expected = [](int y, int u, int v, int a) {
        const auto to8 = [](int64_t s) { return int(std::clamp<int64_t>(s >> 16, 0, 255)); };
        const int64_t yy = int64_t(76309) * (y - 16) + 32768;
        const int r = to8(yy + int64_t(104597) * (v - 128)), g = to8(yy - int64_t(25675) * (u - 128) - int64_t(53279) * (v - 128)),
                  b = to8(yy + int64_t(132201) * (u - 128));
        return qRgba(std::min(r, a), std::min(g, a), std::min(b, a), a);
    };
    using vx::swf::VectorLevel;
    const struct {
        int width, height;
        bool alpha;
        VectorLevel level;
    } cases[] = {{4096, 4096, false, VectorLevel::Avx512}, {4096, 4096, false, VectorLevel::Avx2},
                 {4096, 4096, false, VectorLevel::Plain},  {4096, 4096, true, VectorLevel::Avx512},
                 {61, 9, false, VectorLevel::Avx512},      {29, 5, false, VectorLevel::Avx2},
                 {33, 3, false, VectorLevel::Plain},       {27, 7, true, VectorLevel::Plain}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << (c.alpha ? " with alpha" : "") << " vectors "
                                        << int(c.level));
        // Chroma sample i covers four luma values, 4 (i % 64) and up, and
        // its (Cb, Cr) runs through every pair as i / 64 does for each
        // i % 64: 4096 x 4096 pixels hold every combination once, and
        // neighbouring samples differ.
        const int cw = (c.width + 1) / 2, ch = (c.height + 1) / 2;
        std::vector<uint8_t> y(size_t(c.width) * size_t(c.height)), u(size_t(cw) * size_t(ch)), v(u.size()), a(y.size());
        for (size_t i = 0; i < u.size(); ++i) {
            u[i] = uint8_t((i >> 14) + 7 * (i & 63));
            v[i] = uint8_t((i >> 6) + 13 * (i & 63));
        }
        for (int row = 0; row < c.height; ++row)
            for (int x = 0; x < c.width; ++x) {
                const size_t i = size_t(row) * size_t(c.width) + size_t(x);
                y[i] = uint8_t(((size_t(row / 2) * size_t(cw) + size_t(x / 2)) & 63) * 4 + size_t(row & 1) * 2 + size_t(x & 1));
                a[i] = uint8_t(i * 37);
            }
        QImage out(c.width, c.height, QImage::Format_ARGB32_Premultiplied);
        const vx::swf::YuvPlanes planes{y.data(), u.data(), v.data(), c.alpha ? a.data() : nullptr, c.width, cw, cw, c.width,
                                        c.width, c.height};
        vx::swf::yuv420ToArgb(planes, out, c.level);
        for (int row = 0; row < c.height; ++row) {
            const QRgb* line = reinterpret_cast<const QRgb*>(out.constScanLine(row));
            for (int x = 0; x < c.width; ++x) {
                const size_t i = size_t(row) * size_t(c.width) + size_t(x), ci = size_t(row / 2) * size_t(cw) + size_t(x / 2);
                const QRgb want = expected(y[i], u[ci], v[ci], c.alpha ? a[i] : 255);
                ASSERT_EQ(line[x], want) << "at " << x << "," << row << " y " << int(y[i]) << " u " << int(u[ci]) << " v " << int(v[ci]);
            }
        }
    }
}

// Our Sorenson H.263 decoder against libavcodec's with the same
// floating-point inverse transform, plane by plane, on streams ffmpeg
// writes (version 1 of the format: its long escapes): standard and odd
// custom sizes, fine and coarse quantisers, key frames rare and often.
// The baseline streams come out the same to the last sample. With four
// vectors a macroblock, libavcodec's pictures differ from ours by a little
// near the bottom edge (the rows its frames hold past the picture); the
// differences must stay small and few.
TEST_F(SwfVideo, H263PlanesMatchLibavcodec)
{
    if (swftest::ffmpegPath().isEmpty()) GTEST_SKIP() << "ffmpeg is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        int width, height;
        QStringList encode;
        int tolerance;
    } rows[] = {
        {176, 144, {"-q:v", "3", "-g", "300"}, 0},
        {100, 75, {"-q:v", "9", "-g", "10"}, 0},
        {352, 288, {"-b:v", "200k", "-g", "300", "-mbd", "rd"}, 0},
        {64, 34, {"-q:v", "31", "-g", "5"}, 0},
        {240, 180, {"-q:v", "2", "-g", "300"}, 0},
        {240, 180, {"-q:v", "2", "-g", "300", "-flags", "+mv4"}, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << " x " << row.height << " " << row.encode.join(' ').toStdString());
        const QString flv = dir.filePath("h263.flv"), yuv = dir.filePath("h263.yuv");
        ASSERT_TRUE(swftest::ffmpeg(QStringList{"-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1x%2:rate=12").arg(row.width).arg(row.height),
                                                "-t", "3", "-c:v", "flv1"} + row.encode + QStringList{flv}));
        ASSERT_TRUE(swftest::ffmpeg({"-idct", "faani", "-i", flv, "-f", "rawvideo", "-pix_fmt", "yuv420p", yuv}));
        QFile f(flv), y(yuv);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly) && y.open(QIODevice::ReadOnly));
        const auto packets = swftest::flvVideoPackets(f.readAll());
        const QByteArray expected = y.readAll();
        // The encoder rounds odd sizes down to even ones.
        const int w = row.width & ~1, h = row.height & ~1, cw = w / 2, ch = h / 2;
        const qsizetype frameSize = qsizetype(w) * h + 2 * qsizetype(cw) * ch;
        ASSERT_EQ(qsizetype(packets.size()) * frameSize, expected.size());
        vx::swf::h263::Decoder decoder(vx::swf::VideoDecoder::kMaxPixels);
        for (size_t i = 0; i < packets.size(); ++i) {
            ASSERT_TRUE(decoder.decode(packets[i].data.data(), packets[i].data.size())) << "frame " << i;
            const vx::swf::YuvPlanes p = decoder.planes();
            ASSERT_EQ(QSize(p.width, p.height), QSize(w, h));
            const auto* e = reinterpret_cast<const uint8_t*>(expected.constData()) + qsizetype(i) * frameSize;
            int worst = 0;
            long off = 0;
            const struct {
                const uint8_t* ours;
                int stride, width, height;
            } planes[] = {{p.y, p.yStride, w, h}, {p.u, p.uStride, cw, ch}, {p.v, p.vStride, cw, ch}};
            for (const auto& plane : planes)
                for (int r = 0; r < plane.height; ++r)
                    for (int x = 0; x < plane.width; ++x) {
                        const int d = std::abs(int(plane.ours[r * plane.stride + x]) - int(*e++));
                        worst = std::max(worst, d);
                        off += d != 0;
                    }
            ASSERT_LE(worst, row.tolerance) << "frame " << i;
            ASSERT_LE(off, frameSize / 200) << "frame " << i;
        }
    }
}

// Escaped coefficients of both versions of the format: version 0 has
// H.263's 8-bit levels, version 1 a flag choosing 7 or 11 bits. One intra
// macroblock of a 16 x 16 picture whose first luma block holds DC 1024 and
// one escaped coefficient; the picture must be that block's transform.
TEST_F(SwfVideo, H263EscapedLevelsOfBothVersions)
{
    const struct {
        int version, width;  // width: 8 (version 0), or 7 or 11 bits
        int run, level;
    } rows[] = {{0, 8, 0, -100}, {0, 8, 5, 127}, {1, 7, 0, -60}, {1, 7, 9, 63}, {1, 11, 2, 1000}, {1, 11, 0, -1000}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "version " << row.version << " level " << row.level << " run " << row.run);
        const int quant = 4;
        Writer q;
        q.ub(1, 17);
        q.ub(unsigned(row.version), 5);
        q.ub(0, 8);
        q.ub(0, 3);
        q.ub(16, 8);
        q.ub(16, 8);
        q.ub(0, 2);
        q.ub(0, 1);
        q.ub(quant, 5);
        q.ub(0, 1);
        q.ub(0b1, 1);       // MCBPC: intra, chroma not coded
        q.ub(0b00010, 5);   // CBPY 1000: the first luma block coded
        for (int k = 0; k < 6; ++k) {
            q.ub(k == 0 ? 255 : 128, 8);  // intra DC 1024 (255 says so), and 128 * 8
            if (k != 0) continue;
            q.ub(0b0000011, 7);  // escape
            if (row.version == 1) q.ub(row.width == 11 ? 1 : 0, 1);
            q.ub(1, 1);  // last
            q.ub(unsigned(row.run), 6);
            q.ub(unsigned(row.level) & ((1u << row.width) - 1), unsigned(row.width));
        }
        q.flushBits();
        vx::swf::h263::Decoder decoder(vx::swf::VideoDecoder::kMaxPixels);
        ASSERT_TRUE(decoder.decode(q.data.data(), q.data.size()));
        // The expected block: DC and the dequantised level at zigzag position 1 + run.
        static constexpr int zigzag[] = {0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25};
        int16_t coefficients[64] = {};
        coefficients[0] = 1024;
        const int magnitude = std::min(quant * (2 * std::abs(row.level) + 1) - 1, 2047);
        const int natural = zigzag[1 + row.run];
        coefficients[(natural & 7) * 8 + (natural >> 3)] = int16_t(row.level < 0 ? -magnitude : magnitude);
        uint8_t block[64];
        vx::swf::h263::idct(vx::swf::VectorLevel::Plain).put(coefficients, block, 8);
        const vx::swf::YuvPlanes planes = decoder.planes();
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(int(planes.y[y * planes.yStride + x]), x < 8 && y < 8 ? int(block[y * 8 + x]) : 128) << x << "," << y;
    }
}

// The inverse transform: the vector code gives the plain code's samples;
// both stay within one of the exact transform, and equal its rounding
// wherever the exact value is not within a hair of a half. A block with
// only its DC coefficient comes out as idctDcOnly says.
TEST_F(SwfVideo, InverseTransformRoundsTheExactValue)
{
    std::mt19937 random(7);
    double basis[8][8];
    for (int u = 0; u < 8; ++u)
        for (int x = 0; x < 8; ++x) basis[u][x] = (u ? 0.5 : 0.5 / std::sqrt(2.0)) * std::cos((2 * x + 1) * u * M_PI / 16);
    for (int n = 0; n < 20000; ++n) {
        // Sparse blocks as video has them, up to the full range; every 8th with DC alone.
        int16_t c[64] = {};
        const int count = n % 8 == 0 ? 1 : 1 + int(random() % 12);
        for (int k = 0; k < count; ++k) c[k == 0 ? 0 : random() % 64] = int16_t(int(random() % 4096) - 2048);
        const bool dcOnly = count == 1;
        uint8_t plain[64], vector[64], prediction[64], addPlain[64], addVector[64];
        for (int i = 0; i < 64; ++i) prediction[i] = uint8_t(random());
        std::memcpy(addPlain, prediction, 64);
        std::memcpy(addVector, prediction, 64);
        const auto& p = vx::swf::h263::idct(vx::swf::VectorLevel::Plain);
        const auto& v = vx::swf::h263::idct();
        p.put(c, plain, 8);
        v.put(c, vector, 8);
        p.add(c, addPlain, 8);
        v.add(c, addVector, 8);
        ASSERT_EQ(0, std::memcmp(plain, vector, 64)) << "block " << n;
        ASSERT_EQ(0, std::memcmp(addPlain, addVector, 64)) << "block " << n;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                double exact = 0;
                for (int u = 0; u < 8; ++u)
                    for (int w = 0; w < 8; ++w) exact += c[w * 8 + u] * basis[u][y] * basis[w][x];  // given transposed
                const int sample = int(addPlain[y * 8 + x]) - int(prediction[y * 8 + x]);
                const int rounded = int(std::lrint(exact));
                if (std::abs(exact) < 200 && std::abs(prediction[y * 8 + x] + rounded - 127.5) < 127) {
                    ASSERT_LE(std::abs(sample - rounded), 1);
                    if (std::abs(exact - std::floor(exact) - 0.5) > 0.01) {
                        ASSERT_EQ(sample, rounded) << exact;
                    }
                }
                if (dcOnly) {
                    ASSERT_EQ(int(plain[y * 8 + x]), std::clamp(vx::swf::h263::idctDcOnly(c[0]), 0, 255));
                }
            }
    }
}

// Damaged H.263 streams: an inter picture with nothing before it gives no
// picture; a packet cut short shows what it decoded and the previous
// picture below that (grey for a key frame with nothing before it); bytes
// of noise after a good header never reach outside the picture.
TEST_F(SwfVideo, H263DamagedPacketsShowWhatDecoded)
{
    if (swftest::ffmpegPath().isEmpty()) GTEST_SKIP() << "ffmpeg is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString flv = dir.filePath("h263.flv");
    ASSERT_TRUE(swftest::ffmpeg({"-f", "lavfi", "-i", "testsrc2=size=64x48:rate=12", "-t", "1", "-c:v", "flv1", "-q:v", "2", flv}));
    QFile f(flv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const auto packets = swftest::flvVideoPackets(f.readAll());
    ASSERT_GE(packets.size(), 3u);
    const Bytes& key = packets[0].data;
    const Bytes& inter = packets[2].data;
    using Decoder = vx::swf::h263::Decoder;
    auto rows = [](const Decoder& d, int from, int to) {
        const vx::swf::YuvPlanes p = d.planes();
        std::vector<uint8_t> out;
        for (int y = from; y < to; ++y) out.insert(out.end(), p.y + y * p.yStride, p.y + y * p.yStride + p.width);
        return out;
    };
    {
        SCOPED_TRACE("an inter picture first");
        Decoder d(vx::swf::VideoDecoder::kMaxPixels);
        EXPECT_FALSE(d.decode(inter.data(), inter.size()));
        EXPECT_FALSE(d.hasPicture());
    }
    {
        SCOPED_TRACE("a key picture cut short with nothing before it");
        Decoder d(vx::swf::VideoDecoder::kMaxPixels);
        ASSERT_TRUE(d.decode(key.data(), key.size() / 4));
        EXPECT_EQ(rows(d, 32, 48), std::vector<uint8_t>(64 * 16, 128));
    }
    for (size_t cut : {size_t(8), inter.size() / 3, inter.size() - 1}) {
        SCOPED_TRACE(testing::Message() << "an inter picture cut at " << cut << " of " << inter.size() << " bytes");
        Decoder d(vx::swf::VideoDecoder::kMaxPixels), whole(vx::swf::VideoDecoder::kMaxPixels);
        for (size_t i = 0; i < 2; ++i) {
            ASSERT_TRUE(d.decode(packets[i].data.data(), packets[i].data.size()));
            ASSERT_TRUE(whole.decode(packets[i].data.data(), packets[i].data.size()));
        }
        const auto before = rows(d, 32, 48);
        ASSERT_TRUE(d.decode(inter.data(), cut));
        ASSERT_TRUE(whole.decode(inter.data(), inter.size()));
        if (cut < inter.size() / 2) {
            EXPECT_EQ(rows(d, 32, 48), before);
        } else {
            EXPECT_EQ(rows(d, 0, 16), rows(whole, 0, 16));
        }
    }
    {
        SCOPED_TRACE("noise after a key picture's header");
        std::mt19937 random(3);
        Decoder d(vx::swf::VideoDecoder::kMaxPixels);
        for (int n = 0; n < 300; ++n) {
            Bytes noisy = n % 2 ? inter : key;
            for (size_t i = 8; i < noisy.size(); ++i)
                if (random() % 16 == 0) noisy[i] = uint8_t(random());
            d.decode(noisy.data(), noisy.size());
            if (d.hasPicture()) {
                ASSERT_EQ(QSize(d.planes().width, d.planes().height), QSize(64, 48));
            }
        }
    }
}
