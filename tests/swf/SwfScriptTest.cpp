// Buttons under the mouse and the keyboard, and our AVM1: each script ends
// by sending its result as an FSCommand, which the test reads.
#include "SwfAsm.h"
#include "SwfTestUtil.h"

#include <functional>

using namespace swfw;
using vx::swf::Player;
using swftest::Asm;

namespace {

class SwfScript : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

// One frame with the script; a named sprite "clip" at depth 5 (two frames, stopped on its first).
QString runScript(const Asm& script, int version = 8, const std::function<void(Player&)>& drive = nullptr)
{
    Movie m(100 * 20, 100 * 20, 10, version);
    ShapeBuilder s;
    s.rect(0, 0, 200, 200, s.addFill(Fill::solid(0xff000000u)));
    m.shape(1, s);
    Writer sprite;
    sprite.u16(2);
    sprite.u16(2);
    auto inner = [&](int code, const Bytes& body) {
        sprite.u16(unsigned(code << 6 | 0x3f));
        sprite.u32(uint32_t(body.size()));
        sprite.bytes(body);
    };
    Bytes stopAction = act::stop();
    stopAction.push_back(0);
    inner(12, stopAction);
    inner(1, {});
    inner(1, {});
    inner(0, {});
    m.tag(39, sprite.data);
    m.place(5, 2, Matrix::translate(200, 400), nullptr, -1, -1, "clip");
    m.doAction(script.b);
    m.showFrame();
    Player p(swftest::load(m));
    QStringList got;
    p.setFsCommandHandler([&](const QString& c, const QString& a) {
        if (c == u"r") got << a;
    });
    if (drive) drive(p);
    return got.join(u'|');
}

// try { body } catch (e) { caught } finally { last }
Asm tryCatch(const Asm& body, const Asm& caught, const Asm& last)
{
    Writer w;
    w.u8(0x03);
    w.u16(unsigned(body.b.size()));
    w.u16(unsigned(caught.b.size()));
    w.u16(unsigned(last.b.size()));
    w.str("e");
    Asm a;
    a.withArgs(0x8F, w.data).add(body).add(caught).add(last);
    return a;
}

// try blocks inside each other, more than a script may nest.
Asm nestedTries(int depth)
{
    Asm inner;
    for (int i = 0; i < depth; ++i) inner = tryCatch(inner, Asm(), Asm());
    return inner;
}

}  // namespace

TEST_F(SwfScript, ActionsComputeWithVariablesRegistersFunctionsAndClips)
{
    // i = i + 1; then i < 5 on the stack
    Asm loopBody;
    loopBody.str("i").str("i").op(0x1C).op(0x50).op(0x1D).str("i").op(0x1C).num(5).op(0x48);
    const struct {
        const char* name;
        Asm code;
        const char* expected;
    } cases[] = {
        {"arithmetic", Asm().num(7).num(5).op(0x0B).num(3).op(0x0C).report(), "6"},
        {"add2 joins strings", Asm().str("a").num(1).op(0x47).report(), "a1"},
        {"variables", Asm().str("v").num(41).op(0x1D).str("v").op(0x1C).op(0x50).report(), "42"},
        {"registers", Asm().num(9).store(1).op(0x17).reg(1).reg(1).op(0x0C).report(), "81"},
        {"if and jump: a loop to 5",
         Asm().str("i").num(0).op(0x1D).add(loopBody).jump(0x9D, int16_t(-int(loopBody.b.size()) - 5))
             .str("i").op(0x1C).report(),
         "5"},
        {"function2 with registers and locals",
         Asm().function2("twice", {{1, "x"}, {0, "y"}}, 3, 0, Asm().reg(1).str("y").op(0x1C).op(0x47).num(2).op(0x0C).op(0x3E))
             .num(4).num(3).num(2).str("twice").op(0x3D).report(),
         "14"},
        {"clip property and method",
         Asm().str("clip").op(0x1C).str("_x").num(33).op(0x4F)  // clip._x = 33
             .str("clip").num(0).op(0x22)                      // getProperty(clip, _x)
             .report()
             .num(0).str("clip").op(0x1C).str("nextFrame").op(0x52).op(0x17)
             .str("clip").num(4).op(0x22).report(),
         "33|2"},
        {"tellTarget and a path variable",
         Asm().withArgs(0x8B, {'c', 'l', 'i', 'p', 0}).str("w").str("in clip").op(0x1D).withArgs(0x8B, {0})
             .str("/clip:w").op(0x1C).report(),
         "in clip"},
        {"unknown actions are skipped", Asm().op(0x7E).withArgs(0xC0, {1, 2, 3}).num(1).report(), "1"},
        {"throw caught, finally runs",
         tryCatch(Asm().str("boom").op(0x2A), Asm().str("caught ").str("e").op(0x1C).op(0x21).report(), Asm().str("finally").report()),
         "caught boom|finally"},
        {"a throw leaves the function and the caller catches it",
         Asm().function2("f", {}, 1, 0, Asm().num(7).op(0x2A).str("not here").report())
             .add(tryCatch(Asm().num(0).str("f").op(0x3D).op(0x17), Asm().str("e").op(0x1C).report(), Asm())),
         "7"},
        {"an uncaught throw ends the block", Asm().num(1).report().num(2).op(0x2A).num(3).report(), "1"},
        {"new with a prototype method",
         Asm().function2("Point", {{0, "x"}}, 1, 0, Asm().str("this").op(0x1C).str("x").str("x").op(0x1C).op(0x4F))
             .str("Point").op(0x1C).str("prototype").op(0x4E).str("twice")
             .function2("", {}, 1, 0, Asm().str("this").op(0x1C).str("x").op(0x4E).num(2).op(0x0C).op(0x3E))
             .op(0x4F)
             .str("p").num(21).num(1).str("Point").op(0x40).op(0x1D)
             .num(0).str("p").op(0x1C).str("twice").op(0x52).report(),
         "42"},
        {"Math: max of 3 and round(9 / 2)",
         Asm().num(9).num(2).op(0x0D).num(1).str("Math").op(0x1C).str("round").op(0x52)
             .num(3).num(2).str("Math").op(0x1C).str("max").op(0x52).report(),
         "5"},
        {"parseInt of hexadecimal text", Asm().str("0x1F").num(1).str("parseInt").op(0x3D).report(), "31"},
        {"nesting without end stops", nestedTries(200).num(5).report(), "5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(runScript(c.code), QString::fromLatin1(c.expected));
    }
}

TEST_F(SwfScript, EndlessLoopsAndRecursionStopWithinTheBudget)
{
    // A jump to itself, then a function that calls itself: both end, and the
    // next tick's scripts run again.
    Asm loop;
    loop.jump(0x99, -5);
    EXPECT_EQ(runScript(loop), QString());
    Asm recurse;
    recurse.function2("f", {}, 1, 0, Asm().num(0).str("f").op(0x3D)).num(0).str("f").op(0x3D).op(0x17).num(7).report();
    EXPECT_EQ(runScript(recurse), QStringLiteral("7"));
}

TEST_F(SwfScript, OnEnterFrameRunsEveryTickUntilRemoved)
{
    // _root.onEnterFrame = function () { n = n + 1; report(n); if (n == 2) delete _root.onEnterFrame; };
    Asm body;
    body.str("n").str("n").op(0x1C).op(0x50).op(0x1D).str("n").op(0x1C).report()
        .str("n").op(0x1C).num(2).op(0x49).op(0x12).jump(0x9D, 0);
    Asm remove;
    remove.str("_root").op(0x1C).str("onEnterFrame").op(0x3A).op(0x17);
    body.b.resize(body.b.size() - 2);
    body.b.push_back(uint8_t(remove.b.size()));
    body.b.push_back(0);
    body.add(remove);
    Asm script;
    script.str("n").num(0).op(0x1D).str("_root").op(0x1C).str("onEnterFrame").function2("", {}, 1, 0, body).op(0x4F);
    EXPECT_EQ(runScript(script, 8, [](Player& p) { for (int i = 0; i < 4; ++i) p.advance(); }), QStringLiteral("1|2"));
}

TEST_F(SwfScript, TheKeyObjectSeesKeysHeldAndTellsItsListeners)
{
    // l = {}; l.onKeyDown = function () { report(Key.getCode() + "," + Key.isDown(65) + "," + Key.isDown(1)); };
    // l.onKeyUp = function () { report(Key.isDown(65)); }; Key.addListener(l);
    auto isDown = [](int code) { return Asm().num(code).num(1).str("Key").op(0x1C).str("isDown").op(0x52); };
    Asm down;
    down.num(0).str("Key").op(0x1C).str("getCode").op(0x52).str(",").op(0x47).add(isDown(65)).op(0x47).str(",").op(0x47)
        .add(isDown(1)).op(0x47).report();
    Asm up;
    up.add(isDown(65)).report();
    Asm script;
    script.str("l").num(0).op(0x43).op(0x1D)
        .str("l").op(0x1C).str("onKeyDown").function2("", {}, 1, 0, down).op(0x4F)
        .str("l").op(0x1C).str("onKeyUp").function2("", {}, 1, 0, up).op(0x4F)
        .str("l").op(0x1C).num(1).str("Key").op(0x1C).str("addListener").op(0x52).op(0x17);
    EXPECT_EQ(runScript(script, 8,
                        [](Player& p) {
                            p.keyDown(65, 'a');
                            p.keyUp(65);
                            p.mouseDown();  // the left button is key 1
                            p.keyDown(37, 0);
                        }),
              QStringLiteral("65,true,false|false|37,false,true"));
}
