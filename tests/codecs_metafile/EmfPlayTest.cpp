// Enhanced metafiles played into images: what ends up at chosen pixels.
#include "MetaBuilder.h"

#include <gtest/gtest.h>

using namespace mftest;

namespace {

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kGreen = 0x00FF00;

Emf redBrushNoPen(int w = 100, int h = 100)
{
    Emf e(w, h);
    e.brush(1, rgb(255, 0, 0)).select(1).nullPen();
    return e;
}

TEST(EmfPlay, NaturalSizeComesFromTheFrameAndElseTheBounds)
{
    const vx::Metafile m = load(Emf(120, 45).build());
    EXPECT_EQ(m.width(), 120);
    EXPECT_EQ(m.height(), 45);
    EXPECT_TRUE(m.isVector());
    EXPECT_TRUE(m.isEnhanced());

    QByteArray noFrame = Emf(30, 20).build();
    std::memset(noFrame.data() + 24, 0, 16);  // empty frame: bounds 0..29 x 0..19
    const vx::Metafile b = load(noFrame);
    EXPECT_EQ(b.width(), 30);
    EXPECT_EQ(b.height(), 20);
}

TEST(EmfPlay, FilledRectangleEllipseAndRoundRect)
{
    Emf e = redBrushNoPen();
    e.rect(10, 10, 50, 50);
    e.brush(2, rgb(0, 0, 255)).select(2).rec(42, {50, 50, 100, 100});  // ellipse
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 30, 30), kRed);
    EXPECT_EQ(at(img, 5, 5), kWhite);
    EXPECT_EQ(at(img, 75, 75), kBlue);   // ellipse centre
    EXPECT_EQ(at(img, 97, 97), kWhite);  // corner of its box is outside
}

TEST(EmfPlay, PolygonFillModesOnAStar)
{
    // A pentagram: its centre is covered twice, so ALTERNATE leaves it empty.
    const std::vector<QPoint> star = {{50, 5}, {78, 95}, {5, 38}, {95, 38}, {22, 95}};
    for (int mode : {1, 2}) {
        Emf e = redBrushNoPen();
        e.rec(19, {mode}).polygon(star);
        const QImage img = render(e.build());
        EXPECT_EQ(at(img, 50, 55), mode == 2 ? kRed : kWhite) << "fill mode " << mode;
        EXPECT_EQ(at(img, 50, 20), kRed);  // a point of the star is always filled
        EXPECT_EQ(at(img, 5, 90), kWhite);
    }
}

TEST(EmfPlay, LoMetricPutsYUpwards)
{
    Emf e = redBrushNoPen();
    // 0.1 mm units; the viewport origin at the bottom-left corner.
    e.rec(17, {2}).rec(12, {0, 100}).rect(0, 0, 100, 100);  // 10 mm = 37.8 px
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 10, 90), kRed);
    EXPECT_EQ(at(img, 30, 66), kRed);
    EXPECT_EQ(at(img, 10, 10), kWhite);
    EXPECT_EQ(at(img, 45, 90), kWhite);
}

TEST(EmfPlay, WindowAndViewportScaling)
{
    Emf e = redBrushNoPen();
    e.rec(17, {8}).rec(9, {10, 20}).rec(11, {100, 100}).rec(10, {-10, 0});
    e.rect(-10, 0, -5, 10);  // the left half of the window's x range, its top half
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 45, 45), kRed);
    EXPECT_EQ(at(img, 55, 45), kWhite);
    EXPECT_EQ(at(img, 45, 55), kWhite);

    Emf iso = redBrushNoPen();  // isotropic keeps the units square: the smaller scale wins
    iso.rec(17, {7}).rec(9, {10, 20}).rec(11, {100, 100}).rect(0, 0, 10, 10);
    const QImage img2 = render(iso.build());
    EXPECT_EQ(at(img2, 45, 45), kRed);
    EXPECT_EQ(at(img2, 45, 55), kWhite);
}

TEST(EmfPlay, WorldTransformSetAndModified)
{
    Emf e = redBrushNoPen();
    e.xform(35, 1, 0, 0, 1, 50, 0);                   // translate by 50
    e.xform(36, 2, 0, 0, 2, 0, 0, 2);                 // scale first, then translate
    e.rect(0, 0, 10, 10);                              // -> 50..70
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 65, 15), kRed);
    EXPECT_EQ(at(img, 5, 5), kWhite);
    EXPECT_EQ(at(img, 75, 5), kWhite);

    Emf reset = redBrushNoPen();
    reset.xform(35, 1, 0, 0, 1, 50, 0).xform(36, 0, 0, 0, 0, 0, 0, 1).rect(0, 0, 10, 10);
    EXPECT_EQ(at(render(reset.build()), 5, 5), kRed);
}

TEST(EmfPlay, SaveAndRestoreRelativeAndAbsolute)
{
    Emf e(100, 100);
    e.nullPen().brush(1, rgb(255, 0, 0)).brush(2, rgb(0, 255, 0));
    e.select(1).rec(33, {});                          // level 1: red
    e.select(2).xform(35, 1, 0, 0, 1, 50, 0).rec(33, {});  // level 2: green, shifted
    e.rec(34, {-1}).rect(0, 0, 10, 10);               // back to level 2
    e.rec(34, {1}).rect(0, 50, 10, 60);               // absolute level 1: red, no shift
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 55, 5), kGreen);
    EXPECT_EQ(at(img, 5, 55), kRed);
    EXPECT_EQ(at(img, 5, 5), kWhite);
}

TEST(EmfPlay, ClipRectanglesAndRegions)
{
    Emf e = redBrushNoPen();
    e.rec(30, {0, 0, 50, 100}).rec(29, {0, 0, 50, 20}).rect(0, 0, 100, 100);
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 25, 50), kRed);
    EXPECT_EQ(at(img, 75, 50), kWhite);
    EXPECT_EQ(at(img, 25, 10), kWhite);  // excluded

    // EXTSELECTCLIPRGN with no data and RGN_COPY removes the clipping again.
    Emf r = redBrushNoPen();
    r.rec(30, {0, 0, 10, 10}).rec(75, {0, 5}).rect(0, 0, 100, 100);
    EXPECT_EQ(at(render(r.build()), 75, 75), kRed);

    // A region of one rectangle selected as the clip.
    Bytes rgn;
    rgn.u32le(48).u32le(5).u32le(32).u32le(1).u32le(1).u32le(16);
    rgn.i32le(60).i32le(60).i32le(100).i32le(100).i32le(60).i32le(60).i32le(100).i32le(100);
    Emf s = redBrushNoPen();
    s.raw(75, rgn).rect(0, 0, 100, 100);
    const QImage img3 = render(s.build());
    EXPECT_EQ(at(img3, 80, 80), kRed);
    EXPECT_EQ(at(img3, 40, 40), kWhite);
}

TEST(EmfPlay, PathBracketFillsOnlyOnFillPath)
{
    auto square = [](Emf& e) {
        e.rec(59, {}).rec(27, {10, 10}).rec(54, {90, 10}).rec(54, {90, 90}).rec(54, {10, 90});
        e.rec(61, {}).rec(60, {});
    };
    Emf fill = redBrushNoPen();
    square(fill);
    fill.rec(62, {0, 0, 100, 100});
    const QImage a = render(fill.build());
    EXPECT_EQ(at(a, 50, 50), kRed);
    EXPECT_EQ(at(a, 5, 5), kWhite);

    Emf aborted = redBrushNoPen();
    square(aborted);
    aborted.rec(68, {}).rec(62, {0, 0, 100, 100});
    EXPECT_EQ(at(render(aborted.build()), 50, 50), kWhite);

    Emf clip = redBrushNoPen();  // the path as clip, then a full rectangle
    square(clip);
    clip.rec(67, {5}).rect(0, 0, 100, 100);
    const QImage c = render(clip.build());
    EXPECT_EQ(at(c, 50, 50), kRed);
    EXPECT_EQ(at(c, 95, 95), kWhite);
}

TEST(EmfPlay, PensStrokeLinesWithTheirColour)
{
    Emf e(100, 100);
    e.pen(1, 0, 6, rgb(0, 0, 255)).select(1).rec(27, {0, 50}).rec(54, {100, 50});
    e.pen(2, 5, 0, 0).select(2).rec(27, {50, 0}).rec(54, {50, 100});  // PS_NULL draws nothing
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 20, 50), kBlue);
    EXPECT_EQ(at(img, 20, 40), kWhite);
    EXPECT_EQ(at(img, 50, 20), kWhite);
}

TEST(EmfPlay, StretchDIBitsDrawsTheBitmapTheRightWayUp)
{
    Bytes bits;
    const Bytes info = dib24(2, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00}, &bits);
    Bytes p;
    p.i32le(0).i32le(0).i32le(99).i32le(99);            // bounds
    p.i32le(0).i32le(0).i32le(0).i32le(0).i32le(2).i32le(2);  // dest xy, src xy, src size
    p.u32le(80).u32le(40).u32le(120).u32le(uint32_t(bits.size())).u32le(0).u32le(0x00CC0020).i32le(100).i32le(100);
    p.append(info).append(bits);
    Emf e(100, 100);
    e.raw(81, p);
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 25, 25), kRed);
    EXPECT_EQ(at(img, 75, 25), kGreen);
    EXPECT_EQ(at(img, 25, 75), kBlue);
    EXPECT_EQ(at(img, 75, 75), 0xFFFF00u);
}

TEST(EmfPlay, ExtTextOutWLeavesInkAndRespectsAlignment)
{
    ensureGuiApp();
    auto textEmf = [](uint32_t align) {
        Emf e(200, 60);
        Bytes font;
        font.u32le(1).i32le(-40).i32le(0).i32le(0).i32le(0).i32le(700).u8(0).u8(0).u8(0).u8(0).u32le(0);
        for (int i = 0; i < 32; ++i)
            font.u16le(0);
        e.raw(82, font).select(1).rec(18, {1}).rec(22, {int32_t(align)});
        Bytes t;
        const QString s = "WWWW";
        t.i32le(0).i32le(0).i32le(0).i32le(0).u32le(1).f32le(1).f32le(1);
        t.i32le(align == 0 ? 10 : 190).i32le(10).u32le(uint32_t(s.size())).u32le(76).u32le(0);
        t.i32le(0).i32le(0).i32le(0).i32le(0).u32le(0);
        for (QChar ch : s)
            t.u16le(ch.unicode());
        e.raw(84, t);
        return render(e.build());
    };
    auto inkColumns = [](const QImage& img, int from, int to) {
        int n = 0;
        for (int x = from; x < to; ++x)
            for (int y = 0; y < img.height(); ++y)
                if (at(img, x, y) != kWhite) {
                    ++n;
                    break;
                }
        return n;
    };
    const QImage left = textEmf(0), right = textEmf(2);  // TA_LEFT, TA_RIGHT
    EXPECT_GT(inkColumns(left, 10, 100), 20);
    EXPECT_EQ(inkColumns(left, 0, 8), 0);
    EXPECT_GT(inkColumns(right, 100, 190), 20);
    EXPECT_EQ(inkColumns(right, 192, 200), 0);
}

TEST(EmfPlay, RasterOperationNotInvertsWhatIsBelow)
{
    Emf e = redBrushNoPen();
    e.rect(0, 0, 100, 100).rec(20, {6}).rect(0, 0, 50, 100);  // R2_NOT over red -> cyan
    const QImage img = render(e.build());
    EXPECT_EQ(at(img, 25, 50), 0x00FFFFu);
    EXPECT_EQ(at(img, 75, 50), kRed);
}

}  // namespace
