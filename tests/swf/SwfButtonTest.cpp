// Buttons driven by the mouse and the keyboard: states drawn, condition
// actions run, clips with mouse handlers.
#include "SwfTestUtil.h"

using namespace swfw;
using vx::swf::Player;

namespace {

class SwfButton : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

Bytes command(const std::string& name)
{
    Bytes b = act::getURL("FSCommand:" + name, "");
    return b;
}

// A button (id 4) at 10..50 px: up red, over green, down blue, hit the red
// square; each transition sends its name, release also plays. A clip "clip"
// at 60..90 px whose onRelease is set by the first frame's script. The
// movie stops on its first frame.
Bytes buttonMovie()
{
    Movie m(100 * 20, 100 * 20, 10);
    const uint32_t colours[] = {0xffff0000u, 0xff00ff00u, 0xff0000ffu};
    for (int i = 0; i < 3; ++i) {
        ShapeBuilder s;
        s.rect(0, 0, 800, 800, s.addFill(Fill::solid(colours[i])));
        m.shape(uint16_t(i + 1), s);
    }
    const Bytes release = [] { Bytes x = command("release"); x.push_back(0x06); return x; }();
    m.tag(34, defineButton2(4, {{1, 1, {}}, {2, 2, {}}, {4, 3, {}}, {8, 1, {}}},
                            {{0x01, command("over")},
                             {0x02, command("out")},
                             {0x04, command("press")},
                             {0x08, release},
                             {0x40, command("outside")},
                             {uint16_t(('a' << 1) << 8), command("key")}}));
    m.place(1, 4, Matrix::translate(200, 200));

    ShapeBuilder dot;
    dot.rect(0, 0, 600, 600, dot.addFill(Fill::solid(0xff000000u)));
    m.shape(5, dot);
    Writer sprite;
    sprite.u16(6);
    sprite.u16(1);
    Writer place;
    place.u8(0x06);
    place.u16(1);
    place.u16(5);
    Matrix().write(place);
    sprite.u16(unsigned(26 << 6 | 0x3f));
    sprite.u32(uint32_t(place.data.size()));
    sprite.bytes(place.data);
    sprite.u16(1 << 6);
    sprite.u16(0);
    m.tag(39, sprite.data);
    m.place(2, 6, Matrix::translate(1200, 1200), nullptr, -1, -1, "clip");

    // clip.onRelease = function () { fscommand("clip"); }; stop();
    Writer fn;
    fn.str("");
    fn.u16(0);
    const Bytes body = command("clip");
    fn.u16(unsigned(body.size()));
    Bytes script{0x96, 6, 0, 0, 'c', 'l', 'i', 'p', 0, 0x1C, 0x96, 11, 0, 0};
    for (char c : std::string("onRelease")) script.push_back(uint8_t(c));
    script.push_back(0);
    script.push_back(0x9B);
    script.push_back(uint8_t(fn.data.size()));
    script.push_back(0);
    script.insert(script.end(), fn.data.begin(), fn.data.end());
    script.insert(script.end(), body.begin(), body.end());
    script.push_back(0x4F);
    script.push_back(0x07);
    m.doAction(script);
    m.showFrame();
    m.showFrame();
    return m.bytes();
}

QPointF px(double x, double y) { return QPointF(x * 20, y * 20); }

}  // namespace

TEST_F(SwfButton, TheMouseDrivesStatesAndConditionActions)
{
    Player p(vx::swf::Movie::fromData(swftest::toQt(buttonMovie())));
    QStringList got;
    p.setFsCommandHandler([&](const QString& c, const QString&) { got << c; });
    EXPECT_FALSE(p.isPlaying());  // the first frame's stop ran at the start
    const struct {
        const char* step;
        QPointF at;
        int press;  // 1 down, -1 up, 0 move
        QRgb colour;
        const char* commands;
        bool hand;
    } steps[] = {
        {"outside", px(5, 5), 0, 0xffff0000u, "", false},
        {"roll over", px(30, 30), 0, 0xff00ff00u, "over", true},
        {"press", px(30, 30), 1, 0xff0000ffu, "press", true},
        {"drag out", px(95, 5), 0, 0xff00ff00u, "", false},
        {"release outside", px(95, 5), -1, 0xffff0000u, "outside", false},
        {"over again", px(20, 20), 0, 0xff00ff00u, "over", true},
        {"press", px(20, 20), 1, 0xff0000ffu, "press", true},
        {"release inside", px(21, 21), -1, 0xff00ff00u, "release", true},
        {"roll out", px(5, 95), 0, 0xffff0000u, "out", false},
        {"clip press", px(75, 75), 1, 0xffff0000u, "", true},
        {"clip release", px(75, 75), -1, 0xffff0000u, "clip", true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.step);
        got.clear();
        p.mouseMove(s.at);
        if (s.press > 0) p.mouseDown();
        if (s.press < 0) p.mouseUp();
        EXPECT_COLOR(swftest::shot(p), 30, 30, s.colour, 2);
        EXPECT_EQ(got.join(u','), QString::fromLatin1(s.commands));
        EXPECT_EQ(p.overActiveTarget(), s.hand);
    }
    // The release action played the movie; a key press runs its condition.
    EXPECT_TRUE(p.isPlaying());
    got.clear();
    p.keyPress('a');
    p.keyPress('b');
    EXPECT_EQ(got.join(u','), QStringLiteral("key"));
}
