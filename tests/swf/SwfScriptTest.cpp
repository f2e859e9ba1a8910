// Buttons under the mouse and the keyboard, and our AVM1: each script ends
// by sending its result as an FSCommand, which the test reads.
#include "SwfTestUtil.h"

using namespace swfw;
using vx::swf::Player;

namespace {

class SwfScript : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

// A small action assembler.
struct Asm {
    Bytes b;
    Asm& op(uint8_t code) { b.push_back(code); return *this; }
    Asm& withArgs(uint8_t code, const Bytes& args)
    {
        b.push_back(code);
        b.push_back(uint8_t(args.size() & 0xff));
        b.push_back(uint8_t(args.size() >> 8));
        b.insert(b.end(), args.begin(), args.end());
        return *this;
    }
    Asm& str(const std::string& s)
    {
        Bytes a{0};
        a.insert(a.end(), s.begin(), s.end());
        a.push_back(0);
        return withArgs(0x96, a);
    }
    Asm& num(int32_t v)
    {
        const uint32_t u = uint32_t(v);
        return withArgs(0x96, {7, uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)});
    }
    Asm& reg(uint8_t r) { return withArgs(0x96, {4, r}); }
    Asm& store(uint8_t r) { return withArgs(0x87, {r}); }
    Asm& jump(uint8_t code, int16_t off) { return withArgs(code, {uint8_t(off & 0xff), uint8_t(uint16_t(off) >> 8)}); }
    Asm& add(const Asm& o) { b.insert(b.end(), o.b.begin(), o.b.end()); return *this; }
    // Sends the top of the stack as the arguments of FSCommand:r.
    Asm& report()
    {
        op(0x4B);  // toString
        store(0);
        op(0x17);
        str("FSCommand:r");
        reg(0);
        return withArgs(0x9A, {0});
    }
    Asm& function2(const std::string& name, const std::vector<std::pair<uint8_t, std::string>>& params, uint8_t regs,
                   uint16_t flags, const Asm& body)
    {
        Writer w;
        w.str(name);
        w.u16(unsigned(params.size()));
        w.u8(regs);
        w.u16(flags);
        for (const auto& [r, p] : params) { w.u8(r); w.str(p); }
        w.u16(unsigned(body.b.size()));
        withArgs(0x8E, w.data);
        b.insert(b.end(), body.b.begin(), body.b.end());
        return *this;
    }
};

// One frame with the script; a named sprite "clip" at depth 5 (two frames, stopped on its first).
QString runScript(const Asm& script, int version = 8)
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
    return got.join(u'|');
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
