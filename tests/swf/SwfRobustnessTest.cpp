// Hostile movies: the player shows what it can, throws CodecError for what
// is not a movie, and never crashes or reads past the data.
#include "SwfAsm.h"
#include "SwfTestUtil.h"

using namespace swfw;
using SwfMovie = vx::swf::Movie;
using vx::swf::Player;

namespace {

class SwfRobust : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

Movie richMovie()
{
    Movie m(100 * 20, 100 * 20, 12);
    ShapeBuilder s;
    const int f = s.addFill(Fill::gradient(0x12, Matrix::scale(0.05, 0.05, 1000, 1000), {{0, 0xffff0000u}, {255, 0xff0000ffu}}));
    s.rect(0, 0, 2000, 2000, f, s.addLine({40, 0xff000000u}));
    m.shape(1, s);
    m.tag(36, defineBitsLossless2(2, 2, 2, {0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0x80000000u}));
    ShapeBuilder b;
    b.rect(0, 0, 400, 400, b.addFill(Fill::bitmap(2, Matrix::scale(20, 20))));
    m.shape(3, b);
    m.place(1, 1);
    m.place(2, 3, Matrix(), nullptr, -1, 3);
    m.place(3, 1, Matrix::scale(0.5, 0.5));
    m.doAction(act::getURL("FSCommand:x", "y"));
    m.showFrame();
    m.remove(2);
    m.showFrame();
    return m;
}

void playAll(const QByteArray& data)
{
    try {
        auto movie = SwfMovie::fromData(data);
        Player p(movie);
        (void)p.renderImage(QSize(50, 50), vx::swf::Quality::High);
        for (int i = 0; i < 3; ++i) p.advance();
        (void)p.renderImage(QSize(30, 30), vx::swf::Quality::Low);
    } catch (const vx::CodecError&) {
    }
}

}  // namespace

TEST_F(SwfRobust, NotAMovie)
{
    EXPECT_THROW(SwfMovie::fromData(QByteArray("FWS")), vx::CodecError);
    EXPECT_THROW(SwfMovie::fromData(QByteArray("GIF89a\0\0\0\0", 10)), vx::CodecError);
    try {
        SwfMovie::fromData(QByteArray("ZWS\x0d\0\0\0\0\0\0\0\0\0\0\0\0", 16));
        FAIL() << "ZWS accepted";
    } catch (const vx::CodecError& e) {
        EXPECT_NE(std::string(e.what()).find("ZWS"), std::string::npos);
    }
    QByteArray cws("CWS\x08\x40\0\0\0", 8);
    cws += QByteArray(40, '\x55');  // not a zlib stream
    EXPECT_THROW(SwfMovie::fromData(cws), vx::CodecError);
}

TEST_F(SwfRobust, EveryTruncationOfAMoviePlaysWithoutHarm)
{
    for (bool compressed : {false, true}) {
        const QByteArray full = swftest::toQt(richMovie().bytes(compressed));
        for (qsizetype n = 0; n < full.size(); ++n) playAll(full.left(n));
    }
}

TEST_F(SwfRobust, CorruptedBytesPlayWithoutHarm)
{
    const QByteArray full = swftest::toQt(richMovie().bytes(false));
    for (qsizetype i = 8; i < full.size(); ++i) {
        for (uint8_t v : {uint8_t(0x00), uint8_t(0xff), uint8_t(0x80), uint8_t(0x3f)}) {
            QByteArray d = full;
            d[i] = char(v);
            playAll(d);
        }
    }
}

TEST_F(SwfRobust, LengthsPastTheEndAndUnknownCharacters)
{
    Movie m(100 * 20, 100 * 20, 12);
    m.place(1, 999);               // no such character
    m.place(2, 1);                 // defined later: fine
    m.tag(200, Bytes(10, 0xee));   // unknown tag skipped by its length
    ShapeBuilder s;
    s.rect(0, 0, 2000, 2000, s.addFill(Fill::solid(0xff00ff00u)));
    m.shape(1, s);
    m.showFrame();
    Bytes bytes = m.bytes();
    Player p(SwfMovie::fromData(swftest::toQt(bytes)));
    const QImage img = swftest::shot(p);
    EXPECT_COLOR(img, 50, 50, 0xff00ff00u, 0);
    // A tag whose long length runs far past the end of the file.
    bytes.insert(bytes.end() - 2, {0x3f, 0x03, 0xff, 0xff, 0xff, 0x7f, 1, 2, 3});
    playAll(swftest::toQt(bytes));
}

TEST_F(SwfRobust, SpriteThatContainsItselfIsCutOff)
{
    Movie m(100, 100, 12);
    Writer sp;
    sp.u16(5);
    sp.u16(1);
    Writer pl;
    pl.u8(0x06);
    pl.u16(1);
    pl.u16(5);  // itself
    Matrix::scale(0.9, 0.9).write(pl);
    sp.u16(unsigned(26 << 6 | int(pl.data.size())));
    sp.bytes(pl.data);
    sp.u16(1 << 6);
    sp.u16(0);
    m.tag(39, sp.data);
    m.place(1, 5);
    m.showFrame();
    Player p(swftest::load(m));
    for (int i = 0; i < 5; ++i) p.advance();
    (void)swftest::shot(p);
    SUCCEED();
}

TEST_F(SwfRobust, HugeAndBrokenBitmapsAreSkipped)
{
    Movie m(100 * 20, 100 * 20, 12);
    Writer huge;  // 65535 x 65535 claimed, a few bytes of data
    huge.u16(2); huge.u8(5); huge.u16(65535); huge.u16(65535);
    huge.bytes(zlibCompress(Bytes(64, 0xff)));
    m.tag(36, huge.data);
    Writer jpeg;  // DefineBitsJPEG2 with garbage
    jpeg.u16(3);
    jpeg.bytes({0xff, 0xd8, 0xff, 0xc0, 0x00, 0x11, 0x08, 0xff, 0xff, 0xff, 0xff, 0x03, 1, 2, 3});
    m.tag(21, jpeg.data);
    Writer wide;  // 16384 x 1024: within the pixel count, too wide
    wide.u16(4); wide.u8(5); wide.u16(16384); wide.u16(1024);
    wide.bytes(zlibCompress(Bytes(64, 0xff)));
    m.tag(36, wide.data);
    Writer short_;  // 4000 x 4000 from 64 bytes: the rows the data holds, the rest clear
    short_.u16(5); short_.u8(5); short_.u16(4000); short_.u16(4000);
    short_.bytes(zlibCompress(Bytes(4 * 4000 + 8, 0xff)));
    m.tag(36, short_.data);
    ShapeBuilder s;
    s.rect(0, 0, 1000, 1000, s.addFill(Fill::bitmap(2, Matrix::scale(20, 20))));
    s.rect(1000, 0, 1000, 1000, s.addFill(Fill::bitmap(3, Matrix::scale(20, 20))));
    s.rect(0, 1000, 1000, 1000, s.addFill(Fill::solid(0xff0000ffu)));
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    auto movie = swftest::load(m);
    EXPECT_EQ(movie->bitmap(2), nullptr);
    EXPECT_EQ(movie->bitmap(3), nullptr);
    EXPECT_EQ(movie->bitmap(4), nullptr);
    const QImage* partial = movie->bitmap(5);
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(partial->pixel(10, 0), 0xffffffffu);
    EXPECT_EQ(partial->pixel(10, 1), 0u);
    EXPECT_EQ(partial->pixel(3999, 3999), 0u);
    const QImage img = swftest::shot(Player(movie));
    EXPECT_COLOR(img, 20, 70, 0xff0000ffu, 0);  // the rest of the shape still shows
}

TEST_F(SwfRobust, EndlessActionLoopIsBounded)
{
    Movie m(100, 100, 12);
    m.doAction({0x99, 2, 0, 0xfb, 0xff});  // jump back onto itself
    m.showFrame();
    Player p(swftest::load(m));
    p.advance();
    SUCCEED();
}

TEST_F(SwfRobust, HugeMatricesOnMasksAndBitmapFills)
{
    Movie m(100 * 20, 100 * 20, 12);
    m.tag(36, defineBitsLossless2(2, 1, 1, {0xff00ff00u}));
    ShapeBuilder s;
    s.rect(0, 0, 2000, 2000, s.addFill(Fill::bitmap(2, Matrix::scale(0.0001, 0.0001), 0x41)));
    m.shape(1, s);
    Matrix huge = Matrix::scale(30000, 30000, -1 << 30, -1 << 30);
    m.place(1, 1, huge, nullptr, -1, 3);  // a mask reaching far beyond any integer rectangle
    m.place(2, 1);
    m.place(4, 1, huge);
    m.showFrame();
    Player p(swftest::load(m));
    (void)swftest::shot(p, vx::swf::Quality::High);
    (void)swftest::shot(p, vx::swf::Quality::Low);
    SUCCEED();
}

TEST_F(SwfRobust, HostileSoundsButtonsAndScriptsStayBounded)
{
    auto sound = [](uint16_t id, uint8_t format, uint32_t samples, const Bytes& data) {
        Writer w;
        w.u16(id);
        w.u8(format);
        w.u32(samples);
        w.bytes(data);
        return w.data;
    };
    auto start = [](uint16_t id, const Bytes& info) {
        Writer w;
        w.u16(id);
        w.bytes(info);
        return w.data;
    };
    auto head = [](uint8_t format, uint16_t samples) {
        Writer w;
        w.u8(format & 0x0f);
        w.u8(format);
        w.u16(samples);
        w.s16(-32768);
        return w.data;
    };
    Bytes noise(3000);
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = uint8_t(i * 7919 >> 3);
    Bytes mp3Frames = noise;  // MP3 frame headers followed by garbage
    for (size_t i = 0; i + 4 < mp3Frames.size(); i += 417) {
        mp3Frames[i] = 0xff;
        mp3Frames[i + 1] = 0xfb;
        mp3Frames[i + 2] = 0x90;
    }
    // A constructor that makes itself again, a function throwing from its finally, recursion through new.
    swftest::Asm selfNew;
    selfNew.function2("F", {}, 1, 0, swftest::Asm().num(0).str("F").op(0x40).op(0x17)).num(0).str("F").op(0x40).op(0x17);
    swftest::Asm throwLoop;
    throwLoop.jump(0x99, 0).num(1).op(0x2A);  // throws at once; the block ends
    const struct {
        const char* name;
        std::vector<std::pair<int, Bytes>> tags;
    } cases[] = {
        {"absurd sample count", {{14, sound(1, 0x3f, 0xffffffffu, {1, 2, 3})}, {15, start(1, {0})}}},
        {"broken MP3 event sound", {{14, sound(1, 0x2f, 1u << 30, mp3Frames)}, {15, start(1, {0x04, 0xff, 0xff})}}},
        {"ADPCM of garbage", {{14, sound(1, 0x1f, 100000, noise)}, {15, start(1, {0})}}},
        {"Nellymoser cut short", {{14, sound(1, 0x6e, 100000, Bytes(63, 0x55))}, {15, start(1, {0})}}},
        {"unknown codec", {{14, sound(1, 0xf3, 100, noise)}, {15, start(1, {0})}}},
        {"in point past the end, out before in", {{14, sound(1, 0x3f, 10, Bytes(40, 1))}, {15, start(1, {0x03, 0xff, 0xff, 0xff, 0xff, 1, 0, 0, 0})}}},
        {"envelope cut short", {{14, sound(1, 0x3f, 10, Bytes(40, 1))}, {15, start(1, {0x08, 200, 0, 0})}}},
        {"envelope out of order", {{14, sound(1, 0x3f, 10, Bytes(40, 1))},
                                   {15, start(1, {0x08, 2, 9, 0, 0, 0, 0, 0x80, 0, 0x80, 0, 0, 0, 0, 0, 0, 0, 0})}}},
        {"start of a shape, of nothing, by an unknown name", {{15, start(7, {0})}, {15, start(1, {0x3f})}, {89, {'x', 0, 0}}}},
        {"thirty-three sounds at once", [&] {
             std::vector<std::pair<int, Bytes>> t{{14, sound(1, 0x3f, 10, Bytes(40, 1))}};
             for (int i = 0; i < 33; ++i) t.push_back({15, start(1, {0x04, 0xff, 0xff})});
             return t;
         }()},
        {"MP3 stream of garbage with absurd counts", {{45, head(0x2f, 0xffff)}, {19, mp3Frames}, {19, {1, 2}}, {19, {}}}},
        {"PCM stream blocks of odd sizes", {{45, head(0x3f, 1)}, {19, Bytes(7, 9)}, {19, Bytes(1, 0)}, {19, Bytes(300001, 3)}}},
        {"a button whose sound is itself", [&] {
             Writer bs;
             bs.u16(3);
             for (int i = 0; i < 4; ++i) {
                 bs.u16(3);
                 bs.u8(0x0f);
             }
             return std::vector<std::pair<int, Bytes>>{{34, defineButton2(3, {{0x0f, 3, {}}}, {{0x01, act::play()}})}, {17, bs.data}};
         }()},
        {"a constructor that makes itself", {{12, [&] { Bytes b = selfNew.b; b.push_back(0); return b; }()}}},
        {"a throw at once", {{12, throwLoop.b}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Movie m(100 * 20, 100 * 20, 12);
        for (const auto& [code, body] : c.tags) m.tag(code, body);
        m.place(1, 3);
        m.showFrame();
        m.showFrame();
        auto mixer = std::make_shared<vx::swf::SoundMixer>();
        Player p(swftest::load(m), false, mixer);
        std::vector<int16_t> out(2 * 4096);
        for (int i = 0; i < 6; ++i) {
            mixer->read(out.data(), 4096);
            p.clockTick(true);
            p.mouseMove(QPointF(10, 10));
        }
        EXPECT_LE(mixer->streamQueued(), vx::swf::SoundMixer::kMaxStreamFrames);
        p.gotoFrame(0);
        p.stop();
        mixer->read(out.data(), 4096);
        EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t v) { return v == 0; })) << "silent once stopped";
    }
}
