// What the player draws for each family of tags, read back at chosen pixels.
#include "SwfTestUtil.h"

#include "swf/SwfEditText.h"

#include <QBuffer>
#include <QImageWriter>

using namespace swfw;
using vx::swf::Player;
using vx::swf::Quality;
using vx::swf::ScaleMode;

namespace {

class SwfRender : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

// A DefineEditText tag drawing `text` with font 1's embedded outlines.
struct EditText {
    uint16_t id = 2;
    int width = 2000, height = 1000;  // bounds, twips
    bool multiline = false;
    bool html = false;
    uint16_t fontHeight = 1024;
    uint32_t colour = 0xff0000ffu;
    std::string text;

    Bytes tag() const
    {
        Writer w;
        w.u16(id);
        w.rect(0, width, 0, height);
        w.u8(0x80 | (multiline ? 0x20 : 0x00) | 0x04 | 0x01);  // text, multiline, colour, font
        w.u8((html ? 0x02 : 0x00) | 0x01);                     // HTML, embedded outlines
        w.u16(1);
        w.u16(fontHeight);
        w.rgba(colour);
        w.str("");
        w.str(text);
        return w.data;
    }
};

}  // namespace

TEST_F(SwfRender, SolidFillStrokeAndBackground)
{
    Movie m(100 * 20, 100 * 20, 12);
    m.background(0x102030);
    ShapeBuilder s;
    const int f = s.addFill(Fill::solid(0xffff0000));
    const int l = s.addLine({200, 0xff00ff00});  // 10 px green outline
    s.rect(400, 400, 1200, 1200, f, l);
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    Player p(swftest::load(m));
    const QImage img = swftest::shot(p);
    EXPECT_COLOR(img, 5, 5, 0xff102030u, 0);    // SetBackgroundColor
    EXPECT_COLOR(img, 50, 50, 0xffff0000u, 0);  // inside the fill
    EXPECT_COLOR(img, 20, 50, 0xff00ff00u, 0);  // on the left edge's stroke
    EXPECT_COLOR(img, 12, 50, 0xff102030u, 0);  // beyond the stroke
}

TEST_F(SwfRender, ShapeWithHoleUsesBothFillSides)
{
    // Outer square with fill1, inner square drawn the same way with fill0 = 1:
    // the inner area has the fill on the outside, so it is a hole.
    Movie m(100 * 20, 100 * 20, 12);
    ShapeBuilder s;
    const int f = s.addFill(Fill::solid(0xff0000ffu));
    s.rect(0, 0, 2000, 2000, f);
    s.style(f, 0, 0);
    s.moveTo(500, 500); s.lineTo(1500, 500); s.lineTo(1500, 1500); s.lineTo(500, 1500); s.lineTo(500, 500);
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 10, 10, 0xff0000ffu, 0);
    EXPECT_COLOR(img, 50, 50, 0xffffffffu, 0);
}

TEST_F(SwfRender, LinearAndRadialGradientEnds)
{
    Movie m(200 * 20, 100 * 20, 12);
    ShapeBuilder s;
    // Gradient square (32768 twips) scaled to 100 px wide, centred at x = 50 px.
    const int lin = s.addFill(Fill::gradient(0x10, Matrix::scale(2000.0 / 32768, 2000.0 / 32768, 1000, 1000),
                                              {{0, 0xffff0000u}, {255, 0xff0000ffu}}));
    const int rad = s.addFill(Fill::gradient(0x12, Matrix::scale(2000.0 / 32768, 2000.0 / 32768, 3000, 1000),
                                              {{0, 0xffffffffu}, {255, 0xff000000u}}));
    s.rect(0, 0, 2000, 2000, lin);
    s.rect(2000, 0, 2000, 2000, rad);
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 1, 50, 0xffff0000u, 8);     // linear start
    EXPECT_COLOR(img, 98, 50, 0xff0000ffu, 8);    // linear end
    EXPECT_COLOR(img, 150, 50, 0xffffffffu, 8);   // radial centre
    EXPECT_COLOR(img, 101, 1, 0xff000000u, 8);    // radial corner, padded with the last colour
    const QRgb mid = img.pixel(50, 50);
    EXPECT_NEAR(qRed(mid), 128, 12);
    EXPECT_NEAR(qBlue(mid), 128, 12);
}

TEST_F(SwfRender, LosslessBitmapFillRepeatsAndClips)
{
    Movie m(100 * 20, 100 * 20, 12);
    // 2 x 2 bitmap: red, green / blue, half-transparent black.
    m.tag(36, defineBitsLossless2(5, 2, 2, {0xffff0000u, 0xff00ff00u, 0xff0000ffu, 0x80000000u}));
    ShapeBuilder s;
    const int f = s.addFill(Fill::bitmap(5, Matrix::scale(200, 200), 0x42));  // 10 px per bitmap pixel, repeated
    s.rect(0, 0, 2000, 2000, f);
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 5, 5, 0xffff0000u, 0);
    EXPECT_COLOR(img, 15, 5, 0xff00ff00u, 0);
    EXPECT_COLOR(img, 5, 15, 0xff0000ffu, 0);
    EXPECT_COLOR(img, 15, 15, 0xff7f7f7fu, 2);  // 50% black over white
    EXPECT_COLOR(img, 25, 5, 0xffff0000u, 0);   // repeated
}

TEST_F(SwfRender, ClippedBitmapFillExtendsItsEdges)
{
    Movie m(100 * 20, 100 * 20, 12);
    m.tag(36, defineBitsLossless2(5, 2, 1, {0xffff0000u, 0xff0000ffu}));
    ShapeBuilder s;
    const int f = s.addFill(Fill::bitmap(5, Matrix::scale(200, 200), 0x43));
    s.rect(0, 0, 2000, 2000, f);
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 5, 5, 0xffff0000u, 0);
    EXPECT_COLOR(img, 15, 60, 0xff0000ffu, 0);  // below the picture: its last row
    EXPECT_COLOR(img, 80, 5, 0xff0000ffu, 0);   // right of it: its last column
}

TEST_F(SwfRender, JpegBitmapFromDefineBitsJpeg2And3)
{
    QImage src(16, 16, QImage::Format_RGB32);
    src.fill(QColor(0, 200, 0));
    QByteArray jpeg;
    QBuffer buf(&jpeg);
    buf.open(QIODevice::WriteOnly);
    if (!QImageWriter(&buf, "jpeg").write(src)) GTEST_SKIP() << "no JPEG writer in this Qt";
    Bytes data(jpeg.begin(), jpeg.end());
    Movie m(64 * 20, 32 * 20, 12);
    Writer j2;
    j2.u16(7);
    j2.bytes(data);
    m.tag(21, j2.data);
    Writer j3;  // the same picture with an alpha plane of zeros: invisible
    j3.u16(8);
    j3.u32(uint32_t(data.size()));
    j3.bytes(data);
    j3.bytes(zlibCompress(Bytes(256, 0)));
    m.tag(35, j3.data);
    ShapeBuilder a, b;
    a.rect(0, 0, 320, 320, a.addFill(Fill::bitmap(7, Matrix::scale(20, 20), 0x41)));
    b.rect(0, 0, 320, 320, b.addFill(Fill::bitmap(8, Matrix::scale(20, 20), 0x41)));
    m.shape(1, a);
    m.shape(2, b);
    m.place(1, 1);
    m.place(2, 2, Matrix::translate(640, 0));
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 8, 8, 0xff00c800u, 6);
    EXPECT_COLOR(img, 40, 8, 0xffffffffu, 0);
}

TEST_F(SwfRender, ClipDepthMasksOnlyTheLayersAbove)
{
    Movie m(100 * 20, 100 * 20, 12);
    ShapeBuilder mask, big;
    mask.rect(0, 0, 1000, 2000, mask.addFill(Fill::solid(0xff000000u)));  // left half
    big.rect(0, 0, 2000, 2000, big.addFill(Fill::solid(0xffff0000u)));
    m.shape(1, mask);
    m.shape(2, big);
    m.place(1, 1, Matrix(), nullptr, -1, 2);   // masks depth 2
    m.place(2, 2);
    m.place(3, 2, Matrix::scale(0.2, 0.2, 1600, 1600));  // depth 3: not masked
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 20, 50, 0xffff0000u, 0);   // masked content shows inside the mask
    EXPECT_COLOR(img, 70, 50, 0xffffffffu, 0);   // and not outside
    EXPECT_COLOR(img, 90, 90, 0xffff0000u, 0);   // the unmasked layer above
}

TEST_F(SwfRender, HighQualityCoverIsTheShareOfSixteenSamples)
{
    // Black on white at "High": a pixel takes the share of its 4 x 4 sample
    // points inside, for a fill's own edge and for a mask's edge alike. An
    // edge 0.45 px into column 10 leaves two of the four sample columns out:
    // half. One 0.95 px in leaves none: full. A corner 0.45 across and
    // 0.5 down: a quarter.
    struct Case {
        const char* what;
        int right, bottom;  // twips: the right and bottom edges
        bool masked;        // the edges are a mask's over a larger square
        int x, y;
        int grey;
    };
    const Case cases[] = {
        {"fill edge at 0.45", 209, 800, false, 10, 20, 127},
        {"mask edge at 0.45", 209, 800, true, 10, 20, 127},
        {"fill edge at 0.95", 219, 800, false, 10, 20, 0},
        {"mask edge at 0.95", 219, 800, true, 10, 20, 0},
        {"fill edge at 0.3", 206, 800, false, 10, 20, 191},
        {"mask corner", 209, 410, true, 10, 20, 191},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Movie m(40 * 20, 40 * 20, 12);
        ShapeBuilder edge, square;
        edge.rect(0, 0, c.right, c.bottom, edge.addFill(Fill::solid(0xff000000u)));
        square.rect(0, 0, 800, 800, square.addFill(Fill::solid(0xff000000u)));
        m.shape(1, edge);
        m.shape(2, square);
        if (c.masked) {
            m.place(1, 1, Matrix(), nullptr, -1, 2);
            m.place(2, 2);
        } else {
            m.place(1, 1);
        }
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)), Quality::High);
        EXPECT_COLOR(img, c.x, c.y, qRgb(c.grey, c.grey, c.grey), 1);
    }
}

TEST_F(SwfRender, MorphShapeAtHalfRatio)
{
    Movie m(100 * 20, 100 * 20, 12);
    ShapeBuilder a, b;
    a.rect(0, 0, 400, 400, 1);
    a.fills.push_back(Fill::solid(0));
    b.rect(1200, 1200, 800, 800, 1);
    b.fills.push_back(Fill::solid(0));
    m.tag(46, defineMorphShape(1, a, b, {{0xffff0000u, 0xff0000ffu}}));
    m.place(1, 1, Matrix(), nullptr, 32768);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    // Half way: from (30,30) to (60,60) pixels, colour between red and blue.
    const QRgb c = img.pixel(45, 45);
    EXPECT_NEAR(qRed(c), 127, 3);
    EXPECT_NEAR(qBlue(c), 128, 3);
    EXPECT_COLOR(img, 25, 25, 0xffffffffu, 0);
    EXPECT_COLOR(img, 65, 65, 0xffffffffu, 0);
}

TEST_F(SwfRender, GlyphsOfDefineFont2DrawTextInk)
{
    Movie m(100 * 20, 50 * 20, 12);
    ShapeBuilder box;  // one glyph: a 512 x 700 box standing on the baseline
    box.style(0, 1, 0);
    box.moveTo(0, 0); box.lineTo(512, 0); box.lineTo(512, -700); box.lineTo(0, -700); box.lineTo(0, 0);
    m.tag(48, defineFont2(1, "Box", {box}, {'A'}, {600}));
    // Height 1024 twips: glyph units map 1:1 to twips. Baseline at y = 800.
    m.tag(33, defineText2(2, 0, 0, 2000, 1000, 1, 1024, 0xff008000u, 100, 800, {{0, 600}, {0, 600}}));
    m.place(1, 2);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 10, 30, 0xff008000u, 0);   // first glyph: x 5..30, y 5..40
    EXPECT_COLOR(img, 40, 30, 0xff008000u, 0);   // second glyph from x 35
    EXPECT_COLOR(img, 32, 30, 0xffffffffu, 0);   // the gap between them
    EXPECT_COLOR(img, 10, 45, 0xffffffffu, 0);   // below the baseline
}

TEST_F(SwfRender, GlyphOriginsLandOnTheTwipsGrid)
{
    // The box glyph (512 x 700 units, height 1024: units are twips) placed
    // at 0.3 scale: a record x of 168 puts its left side at 50.4 twips, which
    // lands on 50, the centre of column 2; a record y of 801 puts the baseline
    // at 240.3 twips and the top at 30.3, which lands on 30, the centre of
    // row 1. Pixels whose centres lie on a left or top side are inside.
    struct Case {
        const char* what;
        int x, y;     // the record's position, twips before scaling
        int px, py;
        bool ink;
    };
    const Case cases[] = {
        {"left side moved onto the centre", 168, 800, 2, 6, true},
        {"column before", 168, 800, 1, 6, false},
        {"top moved onto the centre", 100, 801, 4, 1, true},
        {"row before", 100, 801, 4, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Movie m(20 * 20, 20 * 20, 12);
        ShapeBuilder box;
        box.style(0, 1, 0);
        box.moveTo(0, 0); box.lineTo(512, 0); box.lineTo(512, -700); box.lineTo(0, -700); box.lineTo(0, 0);
        m.tag(48, defineFont2(1, "Box", {box}, {'A'}, {600}));
        m.tag(33, defineText2(2, 0, 0, 2000, 1000, 1, 1024, 0xff000000u, c.x, c.y, {{0, 600}}));
        m.place(1, 2, Matrix::scale(0.3, 0.3));
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        EXPECT_COLOR(img, c.px, c.py, c.ink ? 0xff000000u : 0xffffffffu, 0);
    }
}

TEST_F(SwfRender, ColourTransformTintsAFill)
{
    swfw::Movie m = swftest::rectMovie(40, 40, 0xff808080u, 0, 0, 40, 40);
    CxForm cx;
    cx.rm = 512; cx.gm = 0; cx.ba = 255;  // red doubled, green gone, blue forced up
    m.place(2, 1, Matrix::translate(0, 400), &cx);
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    EXPECT_COLOR(img, 5, 5, 0xff808080u, 0);
    EXPECT_COLOR(img, 5, 30, 0xffff00ffu, 0);
}

TEST_F(SwfRender, ScaleModesAndZoomOnTheFrame)
{
    // A 100 x 100 stage fully covered in red, seen in a 200 x 100 viewport over blue.
    Player p(swftest::load(swftest::rectMovie(100, 100, 0xffff0000u, 0, 0, 100, 100)));
    const QColor blue(Qt::blue);
    auto view = [&](ScaleMode mode, double zoom) {
        return p.renderImage(QSize(200, 100), Quality::Low, mode, zoom, blue).convertToFormat(QImage::Format_ARGB32);
    };
    QImage showAll = view(ScaleMode::ShowAll, 1);
    EXPECT_COLOR(showAll, 10, 50, 0xff0000ffu, 0);  // letterbox
    EXPECT_COLOR(showAll, 100, 50, 0xffff0000u, 0);
    QImage exact = view(ScaleMode::ExactFit, 1);
    EXPECT_COLOR(exact, 1, 1, 0xffff0000u, 0);
    EXPECT_COLOR(exact, 198, 98, 0xffff0000u, 0);
    QImage noBorder = view(ScaleMode::NoBorder, 1);
    EXPECT_COLOR(noBorder, 1, 50, 0xffff0000u, 0);
    QImage noScale = view(ScaleMode::NoScale, 1);
    EXPECT_COLOR(noScale, 45, 50, 0xff0000ffu, 0);
    EXPECT_COLOR(noScale, 55, 50, 0xffff0000u, 0);
    // Zoom 0.5 shows half of the stage twice as large: no scale now covers 200 px.
    QImage zoomed = view(ScaleMode::NoScale, 0.5);
    EXPECT_COLOR(zoomed, 5, 50, 0xffff0000u, 0);
    QImage reduced = view(ScaleMode::ShowAll, 2);
    EXPECT_COLOR(reduced, 100, 50, 0xffff0000u, 0);
    EXPECT_COLOR(reduced, 100, 10, 0xff0000ffu, 0);  // stage now 50 px high
}

TEST_F(SwfRender, StageOfFractionalPixelsIsShownAtItsWholePixelSize)
{
    // The stage counts in whole pixels: a stage 101.3 px wide starting at
    // -13 twips, shown at 101 x 25, is drawn at 20 twips to the pixel with
    // its top left corner at the device origin.
    struct Case {
        const char* what;
        QRectF stage;  // twips
        QSizeF viewport;
        QPointF twips, device;
    };
    const Case cases[] = {
        {"offset stage, origin", QRectF(-13, -13, 2026, 506), QSizeF(101, 25), QPointF(0, 0), QPointF(0.65, 0.65)},
        {"offset stage, far corner", QRectF(-13, -13, 2026, 506), QSizeF(101, 25), QPointF(2007, 487), QPointF(101, 25)},
        {"fraction below a half", QRectF(0, 0, 2008, 2008), QSizeF(100, 100), QPointF(2000, 2000), QPointF(100, 100)},
        {"twice the size", QRectF(0, 0, 2026, 2026), QSizeF(202, 202), QPointF(1010, 1010), QPointF(101, 101)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QPointF d = vx::swf::stageTransform(c.stage, c.viewport, ScaleMode::ShowAll).map(c.twips);
        EXPECT_NEAR(d.x(), c.device.x(), 1e-9);
        EXPECT_NEAR(d.y(), c.device.y(), 1e-9);
    }
}

TEST_F(SwfRender, HighQualityAntialiasesEdgesLowDoesNot)
{
    Movie m(40 * 20, 40 * 20, 12);
    ShapeBuilder s;
    s.rect(210, 0, 400, 800, s.addFill(Fill::solid(0xff000000u)));  // left edge at 10.5 px
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    Player p(swftest::load(m));
    const QImage high = swftest::shot(p, Quality::High), low = swftest::shot(p, Quality::Low);
    const int h = qRed(high.pixel(10, 20)), l = qRed(low.pixel(10, 20));
    EXPECT_GT(h, 40);
    EXPECT_LT(h, 215);
    EXPECT_TRUE(l == 0 || l == 255);
}

TEST_F(SwfRender, HtmlSpansCarryStylesAndParagraphs)
{
    const auto spans = vx::swf::parseHtmlSpans(QStringLiteral(
        "<p align=\"left\"><font face=\"Box\" size=\"20\" color=\"#ff0000\">A<b>B</b><i>C &amp; D</i></font></p><p>E</p>"));
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans[0].text, "A");
    EXPECT_EQ(spans[0].color, QColor(255, 0, 0));
    EXPECT_EQ(spans[0].size, 400.0);
    EXPECT_EQ(spans[0].face, "Box");
    EXPECT_TRUE(spans[1].bold);
    EXPECT_EQ(spans[1].text, "B");
    EXPECT_TRUE(spans[2].italic);
    EXPECT_FALSE(spans[2].bold);
    EXPECT_EQ(spans[2].text, "C & D");
    EXPECT_EQ(spans[3].text, "\nE");  // the second paragraph starts a line
    EXPECT_FALSE(spans[3].color.isValid());
}

TEST_F(SwfRender, EditTextWithEmbeddedGlyphsPicksTheBoldFont)
{
    Movie m(100 * 20, 100 * 20, 12);
    // Two fonts named "Box": the regular one has a narrow glyph, the bold one a wide one.
    ShapeBuilder narrow, wide;
    narrow.style(0, 1, 0);
    narrow.moveTo(0, 0); narrow.lineTo(200, 0); narrow.lineTo(200, -700); narrow.lineTo(0, -700); narrow.lineTo(0, 0);
    wide.style(0, 1, 0);
    wide.moveTo(0, 0); wide.lineTo(900, 0); wide.lineTo(900, -700); wide.lineTo(0, -700); wide.lineTo(0, 0);
    m.tag(48, defineFont2(1, "Box", {narrow}, {'A'}, {1000}));
    Bytes bold = defineFont2(2, "Box", {wide}, {'A'}, {1000});
    bold[2] |= 0x01;  // bold flag
    m.tag(48, bold);
    auto editText = [&](uint16_t id, const std::string& text) {
        EditText field;
        field.id = id;
        field.html = true;
        field.text = text;
        m.tag(37, field.tag());
    };
    editText(3, "<p>A</p>");
    editText(4, "<p><b>A</b></p>");
    m.place(1, 3);
    m.place(2, 4, Matrix::translate(0, 500));
    m.showFrame();
    const QImage img = swftest::shot(Player(swftest::load(m)));
    // Baseline at 2 px gutter + ascent (800 twips) = 42 px; glyph from x = 2 px.
    EXPECT_COLOR(img, 5, 30, 0xff0000ffu, 0);    // regular: narrow glyph
    EXPECT_COLOR(img, 30, 30, 0xffffffffu, 0);
    EXPECT_COLOR(img, 30, 55, 0xff0000ffu, 0);   // bold: wide glyph, 25 px lower
}

// Edit text colour, the field's or markup's, tints the glyphs through an
// 8.8 fixed-point multiplier: channels strictly between 0 and 255 come out
// one lower, the ends stay.
TEST_F(SwfRender, EditTextColourIsAFixedPointTint)
{
    struct Case {
        QRgb field;
        const char* text;
        QRgb painted;
    };
    const Case cases[] = {
        {0xffff99ccu, "A", 0xffff98cbu},
        {0xff000000u, "<font color=\"#ff99cc\">A</font>", 0xffff98cbu},
        {0xff000000u, "<font color=\"#01fe80\">A</font>", 0xff00fd7fu},
        {0xff00ff00u, "A", 0xff00ff00u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ShapeBuilder box;
        box.style(0, 1, 0);
        box.moveTo(0, 0); box.lineTo(900, 0); box.lineTo(900, -700); box.lineTo(0, -700); box.lineTo(0, 0);
        Movie m(100 * 20, 100 * 20, 12);
        m.tag(48, defineFont2(1, "Box", {box}, {'A'}, {1000}));
        EditText field;
        field.html = c.text[0] == '<';
        field.colour = c.field;
        field.text = c.text;
        m.tag(37, field.tag());
        m.place(1, 2);
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        EXPECT_COLOR(img, 20, 30, c.painted, 0);
    }
}

// Edit text laid out with an embedded font: neighbours move by the font's
// kerning; every character advances by whole twips, the fraction cut off;
// a line's ascent and descent are whole twips too. The glyph is a box 300
// units wide from x = 1 and from 700 units above the baseline to `bottom`
// below it; the font's em is 1024 units, ascent 800, descent 224, advances 1000.
TEST_F(SwfRender, EditTextKernsAndKeepsWholeTwips)
{
    struct Case {
        const char* text;
        int height;  // twips
        int bottom;  // glyph units below the baseline
        QPoint probe;
        bool painted;
    };
    const Case cases[] = {
        // A then V 500 twips to the left of where its advance puts it: at 27 px.
        {"AV", 1024, 7, {30, 30}, true},
        {"AV", 1024, 7, {55, 30}, false},
        // Advances of 976.56 twips cut to 976: the ninth glyph's left edge
        // at 392.45 px, not 392.7.
        {"AAAAAAAAA", 1000, 7, {392, 30}, true},
        // Ascent 743.75 twips cut to 743: the box's bottom at 39.48 px, not 39.53.
        {"A", 952, 7, {5, 39}, false},
        {"A", 952, 7, {5, 38}, true},
        // The second line starts 755 + 211 twips lower (755.47 + 211.53 cut):
        // its box's bottom at 88.47 px, not 88.52.
        {"A\nA", 967, 9, {5, 88}, false},
        {"A\nA", 967, 9, {5, 87}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ShapeBuilder box;
        box.style(0, 1, 0);
        box.moveTo(1, c.bottom); box.lineTo(301, c.bottom); box.lineTo(301, -700); box.lineTo(1, -700);
        box.lineTo(1, c.bottom);
        Movie m(420 * 20, 100 * 20, 12);
        m.background(0xffffff);
        m.tag(48, defineFont2(1, "Box", {box, box}, {'A', 'V'}, {1000, 1000}, {{'A', 'V', -500}}));
        EditText field;
        field.width = 8400;
        field.height = 2000;
        field.multiline = true;
        field.fontHeight = uint16_t(c.height);
        field.text = c.text;
        m.tag(37, field.tag());
        m.place(1, 2);
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        EXPECT_COLOR(img, c.probe.x(), c.probe.y(), c.painted ? 0xff0000ffu : 0xffffffffu, 0);
    }
}

// Frames drawn straight into a plain image and frames drawn through the
// painter (any other device) show the same picture.
TEST_F(SwfRender, DirectAndPainterDrawingAgree)
{
    Movie m(60 * 20, 40 * 20, 12);
    m.background(0xffffff);
    ShapeBuilder s;
    const int solid = s.addFill(Fill::solid(0xc0ff0000u));
    const int ramp = s.addFill(Fill::gradient(0x10, Matrix::scale(600 / 32768.0, 1, 900, 0),
                                              {{0, 0xff0000ffu}, {255, 0xff00ff00u}}));
    const int thin = s.addLine({20, 0xff000000u});
    const int wide = s.addLine({100, 0xff008000u});
    s.rect(100, 100, 400, 400, solid, thin);
    s.rect(600, 100, 600, 400, ramp, wide);
    m.shape(1, s);
    m.place(1, 1);
    m.showFrame();
    Player p(swftest::load(m));
    for (Quality q : {Quality::Low, Quality::Medium, Quality::High}) {
        const QImage direct = swftest::shot(p, q);
        QImage viaPainter(60, 40, QImage::Format_RGB888);
        viaPainter.fill(Qt::white);
        {
            QPainter painter(&viaPainter);
            p.render(painter, vx::swf::stageTransform(p.movie().stage(), QSizeF(60, 40), ScaleMode::ShowAll), q);
        }
        const QImage other = viaPainter.convertToFormat(QImage::Format_ARGB32);
        // Inside the fills, on the lines and on the background.
        for (const QPoint pt : {QPoint(10, 10), QPoint(35, 10), QPoint(55, 20), QPoint(45, 20), QPoint(2, 30),
                                QPoint(5, 12), QPoint(29, 12)})
            EXPECT_COLOR(direct, pt.x(), pt.y(), other.pixel(pt), 12) << " quality " << int(q);
    }
}

// A curve that turns back on itself (a hairpin) is cut into as many pieces
// as the measure between its ends asks, none more for its sharp tip: a
// short hairpin becomes two chords and its tip misses the pixel centre
// (5.5, 5.5) that the curve itself reaches; a longer one is cut finer and
// covers the pixels its curve does.
TEST_F(SwfRender, HairpinCurveTipIsCutShort)
{
    struct Case {
        QPoint from, control, to;  // twips
        std::vector<std::pair<QPoint, bool>> pixels;  // filled or not
    };
    const Case cases[] = {
        {{99, 111}, {137, 111}, {99, 103}, {{{5, 5}, false}}},
        {{100, 130}, {300, 130}, {100, 90}, {{{5, 5}, true}, {{8, 5}, true}, {{9, 5}, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control.x());
        Movie m(20 * 20, 10 * 20, 12);
        m.background(0xffffff);
        ShapeBuilder s;
        s.style(0, s.addFill(Fill::solid(0xff0000ffu)), 0);
        s.moveTo(c.from.x(), c.from.y());
        s.curveTo(c.control.x(), c.control.y(), c.to.x(), c.to.y());
        s.lineTo(c.from.x(), c.from.y());
        m.shape(1, s);
        m.place(1, 1);
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        for (const auto& [pt, filled] : c.pixels)
            EXPECT_COLOR(img, pt.x(), pt.y(), filled ? 0xff0000ffu : 0xffffffffu, 0) << pt.x();
    }
}

// A curve that strays no more than two twips (a tenth of a pixel) from its
// chord is drawn as the chord; one that strays further is cut. The top edge
// runs through the centres of row 10: the chord gives the row to the fill
// (top-left rule), a cut curve dipping below them leaves it out.
TEST_F(SwfRender, NearlyStraightCurveIsItsChord)
{
    struct Case {
        int controlBelow;  // twips below the chord
        bool rowFilled;
    };
    const Case cases[] = {{4, true}, {8, false}, {-8, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controlBelow);
        Movie m(50 * 20, 30 * 20, 12);
        m.background(0xffffff);
        ShapeBuilder s;
        const int f = s.addFill(Fill::solid(0xff0000ffu));
        s.style(0, f, 0);
        s.moveTo(100, 210);
        s.lineTo(500, 210);
        s.curveTo(547, 210 + c.controlBelow, 585, 210);  // 4.25 px long
        s.lineTo(900, 210); s.lineTo(900, 410); s.lineTo(100, 410); s.lineTo(100, 210);
        m.shape(1, s);
        m.place(1, 1);
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        for (int x : {26, 27, 28}) EXPECT_COLOR(img, x, 10, c.rowFilled ? 0xff0000ffu : 0xffffffffu, 0) << x;
        EXPECT_COLOR(img, 15, 10, 0xff0000ffu, 0);
        EXPECT_COLOR(img, 26, 11, 0xff0000ffu, 0);
    }
}

// The two units of a curve's tolerance hold however small the shape is
// drawn. At 1/64 scale the left edge's chord runs from (10.45, 0) to
// (10.55, 40), 0.00125 px right of the centre (10.5, 20.5); a curve
// bulging 2.5 units (0.00195 px) left is cut and takes that pixel, one
// bulging 2 units is its chord and leaves it.
TEST_F(SwfRender, CurveToleranceHoldsInShapeUnitsWhenScaledDown)
{
    struct Case {
        int controlLeft;  // units left of the chord's middle
        bool filled;
    };
    const Case cases[] = {{5, true}, {4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.controlLeft);
        Movie m(30 * 20, 50 * 20, 12);
        m.background(0xffffff);
        ShapeBuilder s;
        s.style(0, s.addFill(Fill::solid(0xff0000ffu)), 0);
        s.moveTo(13376, 0); s.lineTo(25600, 0); s.lineTo(25600, 51200); s.lineTo(13504, 51200);
        s.curveTo(13440 - c.controlLeft, 25600, 13376, 0);
        m.shape(1, s);
        m.place(1, 1, Matrix::scale(1.0 / 64, 1.0 / 64));
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        EXPECT_COLOR(img, 10, 20, c.filled ? 0xff0000ffu : 0xffffffffu, 0);
        EXPECT_COLOR(img, 11, 20, 0xff0000ffu, 0);
        EXPECT_COLOR(img, 10, 25, 0xffffffffu, 0);
    }
}
