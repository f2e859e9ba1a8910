// Timeline behaviour: frames, looping, actions, labels, sprites, FSCommand.
#include "SwfTestUtil.h"

#include <QFile>

using namespace swfw;
using vx::swf::Player;

namespace {

class SwfPlayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

// Frame k shows the shape at depth 1 moved k * 10 px to the right.
Movie movingMovie(int frames)
{
    Movie m(200 * 20, 20 * 20, 10);
    ShapeBuilder s;
    s.rect(0, 0, 200, 400, s.addFill(Fill::solid(0xff000000u)));
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    for (int k = 1; k < frames; ++k) {
        m.place(1, 0, Matrix::translate(k * 200, 0), nullptr, -1, -1, "", true);
        m.showFrame();
    }
    return m;
}

// Column (in 10-pixel steps) where the black bar is drawn.
int barAt(const Player& p)
{
    const QImage img = swftest::shot(p);
    for (int k = 0; k < 20; ++k)
        if (qRed(img.pixel(k * 10 + 5, 10)) == 0) return k;
    return -1;
}

}  // namespace

TEST_F(SwfPlayer, FramesAdvanceAndLoop)
{
    Player p(swftest::load(movingMovie(4)));
    EXPECT_EQ(p.totalFrames(), 4);
    EXPECT_EQ(p.currentFrame(), 0);
    EXPECT_TRUE(p.isPlaying());
    EXPECT_EQ(barAt(p), 0);
    p.advance();
    p.advance();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_EQ(barAt(p), 2);
    p.advance();
    p.advance();  // past the last frame: back to the first
    EXPECT_EQ(p.currentFrame(), 0);
    EXPECT_EQ(barAt(p), 0);
}

TEST_F(SwfPlayer, WithoutLoopStopsOnTheLastFrame)
{
    Player p(swftest::load(movingMovie(3)));
    p.setLoop(false);
    for (int i = 0; i < 5; ++i) p.advance();
    EXPECT_EQ(p.currentFrame(), 2);
    EXPECT_FALSE(p.isPlaying());
}

TEST_F(SwfPlayer, GotoFrameClampsAndRebuildsTheDisplayList)
{
    Player p(swftest::load(movingMovie(5)));
    p.gotoFrame(3);
    EXPECT_EQ(p.currentFrame(), 3);
    EXPECT_EQ(barAt(p), 3);
    p.gotoFrame(1);  // backwards
    EXPECT_EQ(barAt(p), 1);
    p.gotoFrame(99);
    EXPECT_EQ(p.currentFrame(), 4);
    p.gotoFrame(-3);
    EXPECT_EQ(p.currentFrame(), 0);
    p.stop();
    p.advance();
    EXPECT_EQ(p.currentFrame(), 0);  // a paused movie stays
    p.play();
    p.advance();
    EXPECT_EQ(p.currentFrame(), 1);
}

TEST_F(SwfPlayer, StopActionAndRemoveObject)
{
    Movie m = movingMovie(1);
    m.remove(1);
    m.doAction(act::stop());
    m.showFrame();
    m.showFrame();
    Player p(swftest::load(m));
    EXPECT_EQ(p.totalFrames(), 3);
    p.advance();
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_FALSE(p.isPlaying());
    EXPECT_EQ(barAt(p), -1);  // removed
    p.advance();
    EXPECT_EQ(p.currentFrame(), 1);
}

TEST_F(SwfPlayer, GotoActionsAndLabels)
{
    Movie m = movingMovie(3);  // frames 0..2 move the bar
    m.frameLabel("end");
    m.doAction(act::gotoFrame(1));  // frame 3: back to frame 1 and stop
    m.showFrame();
    Bytes toLabel = act::goToLabel("end");
    Movie n = movingMovie(2);
    n.doAction(toLabel);  // frame 2 jumps to the label of frame 4 ...
    n.showFrame();
    n.showFrame();
    n.frameLabel("END");  // labels compare without case
    n.place(1, 0, Matrix::translate(1800, 0), nullptr, -1, -1, "", true);
    n.showFrame();

    Player p(swftest::load(m));
    for (int i = 0; i < 3; ++i) p.advance();
    EXPECT_EQ(p.currentFrame(), 1);
    EXPECT_FALSE(p.isPlaying());
    EXPECT_EQ(barAt(p), 1);

    Player q(swftest::load(n));
    q.advance();
    q.advance();
    EXPECT_EQ(q.currentFrame(), 4);
    EXPECT_EQ(barAt(q), 9);
    EXPECT_FALSE(q.isPlaying());
}

TEST_F(SwfPlayer, FsCommandFromGetUrlAndGetUrl2WithConstantPool)
{
    Movie m(100, 100, 12);
    Bytes a = act::getURL("FSCommand:fullscreen", "true");
    // Constant pool with the URL and the arguments, pushed as constants 0 and 1.
    Writer pool;
    pool.u8(0x88);
    pool.u16(2 + 15 + 5);
    pool.u16(2);
    pool.str("FSCommand:quit");
    pool.str("now!");
    Bytes push = {0x96, 4, 0, 8, 0, 8, 1};
    a.insert(a.end(), pool.data.begin(), pool.data.end());
    a.insert(a.end(), push.begin(), push.end());
    Bytes g2 = act::getURL2();
    a.insert(a.end(), g2.begin(), g2.end());
    Bytes plain = act::getURL("http://example.org/", "_blank");  // not a command
    a.insert(a.end(), plain.begin(), plain.end());
    a.push_back(0x0a);  // an action outside the subset (add) is skipped
    m.doAction(a);
    m.showFrame();
    m.showFrame();
    std::vector<std::pair<QString, QString>> got;
    auto movie = swftest::load(m);
    Player p(movie);
    // The first frame ran when the player was made: its commands wait for the handler.
    p.setFsCommandHandler([&](const QString& c, const QString& args) { got.emplace_back(c, args); });
    ASSERT_EQ(got.size(), 2u);
    p.gotoFrame(1);
    p.gotoFrame(0);  // entering frame 0 again runs its actions
    ASSERT_EQ(got.size(), 4u);
    for (size_t i : {0u, 2u}) {
        EXPECT_EQ(got[i].first, "fullscreen");
        EXPECT_EQ(got[i].second, "true");
        EXPECT_EQ(got[i + 1].first, "quit");
        EXPECT_EQ(got[i + 1].second, "now!");
    }
}

TEST_F(SwfPlayer, SpritesPlayTheirOwnTimelineWhileTheMainOneIsStopped)
{
    Movie m(200 * 20, 20 * 20, 10);
    ShapeBuilder s;
    s.rect(0, 0, 200, 400, s.addFill(Fill::solid(0xff000000u)));
    m.shape(1, s);
    // Sprite 2: three frames moving shape 1 by 10 px per frame.
    Writer sp;
    sp.u16(2);
    sp.u16(3);
    auto tag = [&](int code, const Bytes& b) { sp.u16(unsigned(code << 6 | int(b.size()))); sp.bytes(b); };
    for (int k = 0; k < 3; ++k) {
        Writer p;
        p.u8(k == 0 ? 0x06 : 0x05);
        p.u16(1);
        if (k == 0) p.u16(1);
        Matrix::translate(k * 200, 0).write(p);
        tag(26, p.data);
        tag(1, {});
    }
    tag(0, {});
    m.tag(39, sp.data);
    m.place(1, 2);
    m.doAction(act::stop());
    m.showFrame();
    Player p(swftest::load(m));
    EXPECT_EQ(p.totalFrames(), 1);
    EXPECT_EQ(barAt(p), 0);
    p.advance();
    EXPECT_EQ(barAt(p), 1);
    p.advance();
    p.advance();  // the sprite loops
    EXPECT_EQ(barAt(p), 0);
    EXPECT_EQ(p.currentFrame(), 0);
}

TEST_F(SwfPlayer, CompressedMovieEqualsPlainOne)
{
    Movie m = movingMovie(3);
    Player a(swftest::load(m, false)), b(swftest::load(m, true));
    EXPECT_EQ(a.totalFrames(), b.totalFrames());
    EXPECT_EQ(swftest::shot(a), swftest::shot(b));
    EXPECT_EQ(a.movie().stage(), QRectF(0, 0, 4000, 400));
    EXPECT_DOUBLE_EQ(a.movie().frameRate(), 10.0);
}

TEST_F(SwfPlayer, StartLogoWritesTheTitleAndStays)
{
    const QString path = QStringLiteral(VX_BUILD_DIR "/Vextrel Viewer Flash.swf");
    if (!QFile::exists(path)) GTEST_SKIP() << "start logo not built";
    Player p(vx::swf::Movie::fromFile(path));
    EXPECT_GT(p.totalFrames(), 48);  // a few seconds at 24 fps
    EXPECT_DOUBLE_EQ(p.movie().frameRate(), 24.0);
    auto inkColumns = [&]() {
        const QImage img = swftest::shot(p, vx::swf::Quality::High);
        int n = 0;
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (qGreen(img.pixel(x, y)) > 100) { ++n; break; }
        return n;
    };
    const int first = inkColumns();
    for (int i = 0; i < 30; ++i) p.advance();
    const int middle = inkColumns();
    for (int i = 0; i < p.totalFrames() + 10; ++i) p.advance();
    const int last = inkColumns();
    EXPECT_LT(first, middle);  // letters appear one after another
    EXPECT_LT(middle, last);
    EXPECT_GT(last, 300);      // the whole title with its underline
    EXPECT_EQ(p.currentFrame(), p.totalFrames() - 1);
    EXPECT_FALSE(p.isPlaying());
    if (qEnvironmentVariableIsSet("VX_SWF_SHOTS")) swftest::shot(p, vx::swf::Quality::High).save("/tmp/swf_logo.png");
}

TEST_F(SwfPlayer, FreeCharacterLetsTheIdBeDefinedAgainFrameByFrame)
{
    // As ffmpeg writes JPEG frames: one shape filled with bitmap 2, the
    // bitmap freed and defined anew every frame.
    const uint32_t colours[] = {0xffff0000u, 0xff0000ffu, 0xff00ff00u};
    Movie m(20 * 20, 20 * 20, 10);
    for (int f = 0; f < 3; ++f) {
        if (f > 0) {
            m.remove(1);
            Writer w;
            w.u16(2);
            m.tag(3, w.data);
        }
        m.tag(36, defineBitsLossless2(2, 2, 2, std::vector<uint32_t>(4, colours[f])));
        if (f == 0) {
            ShapeBuilder s;
            s.rect(0, 0, 400, 400, s.addFill(Fill::bitmap(2, Matrix::scale(200, 200))));
            m.shape(1, s);
        }
        m.place(1, 1);
        m.showFrame();
    }
    // Without FreeCharacter the first definition of an id stands.
    m.tag(36, defineBitsLossless2(2, 2, 2, std::vector<uint32_t>(4, 0xff000000u)));
    Player p(swftest::load(m));
    for (int f : {0, 1, 2, 0, 2, 1}) {
        p.gotoFrame(f);
        EXPECT_COLOR(swftest::shot(p), 10, 10, colours[f], 2);
    }
    p.gotoFrame(2);
    p.advance();  // looping back to the first frame binds the first picture again
    EXPECT_COLOR(swftest::shot(p), 10, 10, colours[0], 2);
}
