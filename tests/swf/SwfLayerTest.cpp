// Blend modes, filters and masks as the reference player composes them,
// read back at chosen pixels of small movies.
#include "SwfTestUtil.h"

#include <QPixmap>

using namespace swfw;
using vx::swf::Player;
using vx::swf::Quality;

namespace {

class SwfLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

ShapeBuilder square(int x, int y, int w, int h, uint32_t argb)
{
    ShapeBuilder s;
    s.rect(x, y, w, h, s.addFill(Fill::solid(argb)));
    return s;
}

// DefineSprite `id` showing the given PlaceObject tags (their bodies) in
// one frame.
Bytes sprite(uint16_t id, const std::vector<std::pair<int, Bytes>>& tags)
{
    Writer sp;
    sp.u16(id);
    sp.u16(1);
    auto tag = [&](int code, const Bytes& b) {
        sp.u16(unsigned(code << 6 | 0x3f));
        sp.u32(uint32_t(b.size()));
        sp.bytes(b);
    };
    for (const auto& [code, body] : tags) tag(code, body);
    tag(1, {});
    sp.u16(0);
    return sp.data;
}

// A PlaceObject3 body placing id at depth with a blend mode.
Bytes place3Body(uint16_t depth, uint16_t id, int blend)
{
    Writer w;
    w.u8(0x06);
    w.u8(0x02);
    w.u16(depth);
    w.u16(id);
    Matrix().write(w);
    w.u8(unsigned(blend));
    return w.data;
}

}  // namespace

TEST_F(SwfLayer, BlendModesComposeWithWhatLiesBelow)
{
    // Below (200, 100, 50), above (100, 150, 250), both opaque.
    const struct {
        int mode;
        QRgb expected;
    } cases[] = {
        {1, qRgb(100, 150, 250)},  {2, qRgb(100, 150, 250)}, {3, qRgb(78, 59, 49)},    {4, qRgb(222, 191, 251)},
        {5, qRgb(200, 150, 250)},  {6, qRgb(100, 100, 50)},  {7, qRgb(100, 50, 200)},  {8, qRgb(255, 250, 255)},
        {9, qRgb(100, 0, 0)},      {10, qRgb(55, 155, 205)}, {11, qRgb(200, 100, 50)}, {12, qRgb(200, 100, 50)},
        {13, qRgb(188, 118, 98)},  {14, qRgb(157, 127, 247)}, {200, qRgb(100, 150, 250)},
    };
    for (const auto& c : cases) {
        Movie m(40 * 20, 40 * 20, 12);
        m.shape(1, square(0, 0, 800, 800, 0xffc86432u));
        m.shape(2, square(200, 200, 400, 400, 0xff6496fau));
        m.place(1, 1);
        m.place3(2, 2, Matrix(), {}, c.mode);
        m.showFrame();
        Player p(swftest::load(m));
        const QImage img = swftest::shot(p);
        SCOPED_TRACE(c.mode);
        EXPECT_COLOR(img, 20, 20, c.expected, 2);
        EXPECT_COLOR(img, 5, 5, 0xffc86432u, 0);  // outside the upper square nothing changes
        if (c.mode == 9 || c.mode == 10 || c.mode == 11) continue;  // no painter equivalent
        // On a device the painter composes, its nearest modes.
        QPixmap pm(40, 40);
        pm.fill(Qt::white);
        {
            QPainter painter(&pm);
            p.render(painter, vx::swf::stageTransform(p.movie().stage(), QSizeF(40, 40), vx::swf::ScaleMode::ShowAll),
                     Quality::Low);
        }
        EXPECT_COLOR(pm.toImage(), 20, 20, c.expected, 3);
    }
}

TEST_F(SwfLayer, AlphaAndEraseCutIntoTheirParentLayer)
{
    // A sprite in a layer holds a red square and, over its right half, a
    // half-transparent square with blend mode alpha (or erase).
    for (int mode : {11, 12}) {
        Movie m(40 * 20, 40 * 20, 12);
        m.shape(1, square(0, 0, 800, 800, 0xffff0000u));
        m.shape(2, square(400, 0, 400, 800, 0x80000000u));
        m.tag(39, sprite(3, {{26, [] { Writer w; w.u8(0x06); w.u16(1); w.u16(1); Matrix().write(w); return w.data; }()},
                              {70, place3Body(2, 2, mode)}}));
        m.place3(1, 3, Matrix(), {}, 2);  // layer
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        SCOPED_TRACE(mode);
        EXPECT_COLOR(img, 10, 20, 0xffff0000u, 0);  // the left half keeps its alpha
        EXPECT_COLOR(img, 19, 20, 0xffff0000u, 0);  // right beside the square too
        // The right half: red at half alpha (alpha keeps 128, erase 127) over white.
        EXPECT_COLOR(img, 30, 20, qRgb(255, 127, 127), 2);
    }
}

TEST_F(SwfLayer, FiltersFollowTheReferenceGeometry)
{
    // A black 20 px square at (10, 10) on white, one filter each.
    const double kPi = 3.14159265358979;
    struct Case {
        const char* what;
        Bytes filter;
        int x, y;
        QRgb expected;
        int tol;
        Quality quality = Quality::Low;
        uint32_t square = 0xff000000u;
    };
    const Case cases[] = {
        // Antialiased, a blur of 4 is a centred box of 3: a third and two
        // thirds across the edge.
        {"blur edge outside", filter::blur(4, 4, 1), 9, 20, qRgb(170, 170, 170), 2, Quality::High},
        {"blur edge inside", filter::blur(4, 4, 1), 10, 20, qRgb(85, 85, 85), 2, Quality::High},
        {"blur beyond the box", filter::blur(4, 4, 1), 8, 20, qRgb(255, 255, 255), 0, Quality::High},
        // A blur of 2 or less leaves the edge sharp.
        {"small blur", filter::blur(2, 2, 1), 9, 20, qRgb(255, 255, 255), 0, Quality::High},
        // Aliased, a box of 4 whole pixels centred on the pixel, taking half
        // of the pixels at its ends, its mean cut down: 1/8, 3/8, 5/8 and
        // 7/8 of the square's alpha across its edges. The blur filter's box
        // lies a pixel lower: its fringe reaches three rows above the
        // square and one below.
        {"aliased blur, first pixel left", filter::blur(4, 4, 1), 8, 20, qRgb(224, 224, 224), 0},
        {"aliased blur, left of the box", filter::blur(4, 4, 1), 7, 20, qRgb(255, 255, 255), 0},
        {"aliased blur, inside the left edge", filter::blur(4, 4, 1), 10, 20, qRgb(96, 96, 96), 0},
        {"aliased blur, last pixel right", filter::blur(4, 4, 1), 31, 20, qRgb(224, 224, 224), 0},
        {"aliased blur, right of the box", filter::blur(4, 4, 1), 32, 20, qRgb(255, 255, 255), 0},
        {"aliased blur, first row above", filter::blur(4, 4, 1), 20, 7, qRgb(224, 224, 224), 0},
        {"aliased blur, above the box", filter::blur(4, 4, 1), 20, 6, qRgb(255, 255, 255), 0},
        {"aliased blur, last row below", filter::blur(4, 4, 1), 20, 30, qRgb(224, 224, 224), 0},
        {"aliased blur, below the box", filter::blur(4, 4, 1), 20, 31, qRgb(255, 255, 255), 0},
        // A shadow's box is centred down as well: its fringe ends a row lower.
        {"aliased shadow, last row below", filter::dropShadow(0xff0000ffu, 4, 0, 0, 1, false, false, false), 20, 31,
         qRgb(224, 224, 255), 0},
        // A drop shadow at angle 0 lies to the right, distance pixels on.
        {"shadow right", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, false, false, false), 31, 20, qRgb(255, 0, 255), 0},
        {"shadow not left", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, false, false, false), 8, 20, qRgb(255, 255, 255), 0},
        {"shadow down", filter::dropShadow(0xffff00ff, 0, kPi / 2, 3, 1, false, false, false), 20, 31, qRgb(255, 0, 255), 0},
        // Knockout keeps the shadow but not the object.
        {"knockout hides the object", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, false, true, false), 15, 20, qRgb(255, 255, 255), 0},
        {"knockout keeps the shadow", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, false, true, false), 31, 20, qRgb(255, 0, 255), 0},
        // Hide-object shows the shadow under where the object was.
        {"hide object", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, false, false, true), 20, 20, qRgb(255, 0, 255), 0},
        // An inner shadow falls inside the edge facing away from the light.
        {"inner shadow", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, true, false, false), 11, 20, qRgb(255, 0, 255), 0},
        {"inner shadow stays inside", filter::dropShadow(0xffff00ff, 0, 0, 3, 1, true, false, false), 31, 20, qRgb(255, 255, 255), 0},
        // A bevel stores its highlight first: at angle 0 the second colour
        // (the shadow) lines the right edge, the highlight the left.
        {"bevel shadow", filter::bevel(0xff00ff00, 0xffff00ff, 0, 0, 2, true, false), 29, 20, qRgb(255, 0, 255), 0},
        {"bevel highlight", filter::bevel(0xff00ff00, 0xffff00ff, 0, 0, 2, true, false), 10, 20, qRgb(0, 255, 0), 0},
        // An outer bevel lies whole behind the object: under a half
        // transparent square its shadow shows at half strength, not less.
        {"outer bevel under the object", filter::bevel(0xff00ff00, 0xffff00ff, 0, 0, 2, false, false), 28, 20,
         qRgb(127, 63, 127), 1, Quality::Low, 0x80000000u},
        // A colour matrix taking red from blue and alpha as it is, with an offset.
        {"colour matrix", filter::colourMatrix({0, 0, 0, 0, 200, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0}), 20, 20,
         qRgb(200, 0, 0), 0},
    };
    for (const Case& c : cases) {
        Movie m(40 * 20, 40 * 20, 12);
        m.shape(1, square(200, 200, 400, 400, c.square));
        m.place3(1, 1, Matrix(), filter::list({c.filter}));
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)), c.quality);
        SCOPED_TRACE(c.what);
        EXPECT_COLOR(img, c.x, c.y, c.expected, c.tol);
    }
}

TEST_F(SwfLayer, FiltersScaleWithTheStage)
{
    // Twice the stage size: the shadow's distance of 3 becomes 6 pixels.
    Movie m(40 * 20, 40 * 20, 12);
    m.shape(1, square(200, 200, 400, 400, 0xff000000u));
    m.place3(1, 1, Matrix(), filter::list({filter::dropShadow(0xffff00ff, 0, 0, 3, 1, false, false, false)}));
    m.showFrame();
    Player p(swftest::load(m));
    const QImage img = p.renderImage(QSize(80, 80), Quality::Low);
    EXPECT_COLOR(img, 64, 40, 0xffff00ffu, 0);
    EXPECT_COLOR(img, 66, 40, 0xffffffffu, 0);
}

TEST_F(SwfLayer, FilteredAndCachedObjectsPutTheirCornerOnAPixelCorner)
{
    // A square from 10.5 to 30.5 px each way: drawn plainly, the centres on
    // its top and left edges are inside; filtered or cached as a bitmap, the
    // square is drawn half a pixel on, its corner rounded to (11, 11). A
    // square placed 0.4 px further (at 10.9) moves back by 0.1 px.
    const Bytes identity = filter::colourMatrix({1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0});
    enum Kind { Plain, Cached, Filtered };
    struct Case {
        const char* what;
        Kind kind;
        int tx;  // twips
        int x;
        QRgb expected;
    };
    const Case cases[] = {
        {"plain, first column", Plain, 0, 10, 0xffff0000u},
        {"plain, beyond", Plain, 0, 30, 0xffffffffu},
        {"cached, before", Cached, 0, 10, 0xffffffffu},
        {"cached, last column", Cached, 0, 30, 0xffff0000u},
        {"filtered, before", Filtered, 0, 10, 0xffffffffu},
        {"filtered, last column", Filtered, 0, 30, 0xffff0000u},
        {"filtered, 0.4 px on: before", Filtered, 8, 10, 0xffffffffu},
        {"filtered, 0.4 px on: last column", Filtered, 8, 30, 0xffff0000u},
        {"filtered, 0.4 px on: beyond", Filtered, 8, 31, 0xffffffffu},
    };
    for (const Case& c : cases) {
        Movie m(40 * 20, 40 * 20, 12);
        m.shape(1, square(210, 210, 400, 400, 0xffff0000u));
        m.tag(39, sprite(2, {{26, [] { Writer w; w.u8(0x06); w.u16(1); w.u16(1); Matrix().write(w); return w.data; }()}}));
        m.place3(1, 2, Matrix::translate(c.tx, c.tx), c.kind == Filtered ? filter::list({identity}) : Bytes(), -1,
                 c.kind == Cached);
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        SCOPED_TRACE(c.what);
        EXPECT_COLOR(img, c.x, 20, c.expected, 0);
        EXPECT_COLOR(img, 20, c.x, c.expected, 0);
    }
}

TEST_F(SwfLayer, MasksTakeOnlyTheirFills)
{
    // The mask's fill covers the left half; its thick outline would reach
    // further but takes no part in the mask.
    Movie m(40 * 20, 40 * 20, 12);
    ShapeBuilder mask;
    const int f = mask.addFill(Fill::solid(0xff000000u));
    const int l = mask.addLine({200, 0xff000000u});
    mask.rect(0, 0, 400, 800, f, l);
    m.shape(1, mask);
    m.shape(2, square(0, 0, 800, 800, 0xffff0000u));
    m.place(1, 1, Matrix(), nullptr, -1, 2);
    m.place(2, 2);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 10, 20, 0xffff0000u, 0);
    EXPECT_COLOR(img, 22, 20, 0xffffffffu, 0);  // under the outline, outside the fill
}

TEST_F(SwfLayer, HostileFilterListsStayBounded)
{
    // 255 blurs of the largest size and 31 passes over a stage-sized
    // object; an unknown filter; a blend mode far out of range inside
    // layers nested as deep as sprites go, every other one out of range.
    std::vector<Bytes> many(255, filter::blur(255, 255, 31));
    Movie m(550 * 20, 400 * 20, 12);
    m.shape(1, square(0, 0, 550 * 20, 400 * 20, 0xff0000ffu));
    m.place3(1, 1, Matrix(), filter::list(many));
    m.place3(2, 1, Matrix::scale(0.1, 0.1), filter::list({{9, 1, 2, 3}}), 3);
    for (uint16_t id = 10; id < 40; ++id)
        m.tag(39, sprite(id, {{70, place3Body(1, uint16_t(id == 10 ? 1 : id - 1), id % 2 ? 250 : 2)}}));
    m.place3(3, 39, Matrix(), {}, 2);
    m.showFrame();
    Player p(swftest::load(m));
    const QImage img = swftest::shot(p, Quality::High);
    EXPECT_FALSE(img.isNull());
    // The blurred square is still blue in its middle.
    EXPECT_GT(qBlue(img.pixel(275, 200)), 200);
}

TEST_F(SwfLayer, ClipWithFiltersThatHoldsItselfStaysBounded)
{
    // Sprite 5 places itself, shrunk, with a drop shadow, a layer blend
    // and bitmap caching, beside a square: every level would open a layer.
    Movie m(100 * 20, 100 * 20, 12);
    m.shape(1, square(0, 0, 400, 400, 0xff00ff00u));
    Writer self;
    self.u8(0x06);
    self.u8(0x01 | 0x02 | 0x04);
    self.u16(2);
    self.u16(5);
    Matrix::scale(0.9, 0.9, 100, 100).write(self);
    self.bytes(filter::list({filter::dropShadow(0xff000000, 4, 0.7, 4, 1, false, false, false)}));
    self.u8(2);
    self.u8(1);
    m.tag(39, sprite(5, {{26, [] { Writer w; w.u8(0x06); w.u16(1); w.u16(1); Matrix().write(w); return w.data; }()},
                          {70, self.data}}));
    m.place3(1, 5, Matrix(), {}, 2, true);
    m.showFrame();
    Player p(swftest::load(m));
    for (int i = 0; i < 3; ++i) p.advance();
    const QImage img = swftest::shot(p, Quality::High);
    EXPECT_COLOR(img, 5, 5, 0xff00ff00u, 0);
}

TEST_F(SwfLayer, CachedClipIsDrawnAgainWhenItsContentChanges)
{
    // Sprite 3, cached as a bitmap, shows a red square that moves 20 px
    // right in its second frame; a shape outside it changes nothing.
    Movie m(60 * 20, 20 * 20, 12);
    m.shape(1, square(0, 0, 400, 400, 0xffff0000u));
    Writer sp;
    sp.u16(3);
    sp.u16(2);
    auto tag = [&](int code, const Bytes& b) {
        sp.u16(unsigned(code << 6 | 0x3f));
        sp.u32(uint32_t(b.size()));
        sp.bytes(b);
    };
    for (int k = 0; k < 2; ++k) {
        Writer p;
        p.u8(k == 0 ? 0x06 : 0x05);
        p.u16(1);
        if (k == 0) p.u16(1);
        Matrix::translate(k * 400, 0).write(p);
        tag(26, p.data);
        tag(1, {});
    }
    sp.u16(0);
    m.tag(39, sp.data);
    m.place3(1, 3, Matrix(), {}, -1, true);
    m.showFrame();
    m.showFrame();
    Player p(swftest::load(m));
    for (int round = 0; round < 2; ++round) {
        const QImage first = swftest::shot(p);
        EXPECT_COLOR(first, 10, 10, 0xffff0000u, 0);
        EXPECT_COLOR(first, 30, 10, 0xffffffffu, 0);
        EXPECT_EQ(swftest::shot(p), first);  // drawn again from the kept picture
        p.advance();
        const QImage second = swftest::shot(p);
        EXPECT_COLOR(second, 10, 10, 0xffffffffu, 0);
        EXPECT_COLOR(second, 30, 10, 0xffff0000u, 0);
        p.advance();  // back to the first frame
    }
}

TEST_F(SwfLayer, GlyphsKeepTheirOwnVertices)
{
    // At low quality a pixel is drawn when its centre is inside. A glyph
    // stem from x = 10.52 to 11.46 pixels holds no centre; rounded to the
    // twips grid its left edge would fall on 10.5 and take column 10.
    Movie m(40 * 20, 20 * 20, 12);
    ShapeBuilder stem;
    stem.style(0, 1, 0);
    stem.moveTo(107, 0); stem.lineTo(299, 0); stem.lineTo(299, -1024); stem.lineTo(107, -1024); stem.lineTo(107, 0);
    m.tag(48, defineFont2(1, "Stem", {stem}, {'I'}, {1024}));
    // Height 100 twips: glyph units times 100 / 1024; the stem spans
    // 210.45 .. 229.2 twips across, 200 .. 300 down.
    m.tag(33, defineText2(2, 0, 0, 800, 400, 1, 100, 0xff000000u, 200, 300, {{0, 100}}));
    m.place(1, 2);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 10, 12, 0xffffffffu, 0);
    EXPECT_COLOR(img, 11, 12, 0xffffffffu, 0);
}
