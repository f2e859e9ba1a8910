// How wide lines are outlined: joins and caps, read back at chosen pixels
// of aliased frames.
#include "SwfTestUtil.h"

using namespace swfw;
using vx::swf::Player;

namespace {

class SwfStroke : public ::testing::Test {
protected:
    static void SetUpTestSuite() { swftest::ensureApp(); }
};

constexpr uint32_t kInk = 0xff0000ffu, kPaper = 0xffffffffu;

}  // namespace

// A line 5 px wide (at scale 1) with a corner at the shape's origin, placed
// at `at` (twips) and scaled by `scale`; `probe` is a pixel whose centre
// lies where the rule decides.
//  - A round join's corners lie on its circle, one at least every 45
//    degrees, more as the circle grows on the device (chords within half a
//    pixel): inside the circle but outside the two chords of a small 90
//    degree join stays empty, and is painted once the join is magnified.
//  - Caps at the start and the end of a line are each their own: square
//    reaches half the width beyond the end, flat stops at it.
//  - A miter reaches the meeting point of the outer edges unless that lies
//    farther from the corner than the miter limit (in line widths); then it
//    is cut off square at the limit. A bevel cuts the corner.
TEST_F(SwfStroke, JoinsAndCaps)
{
    struct Case {
        const char* what;
        Line line;
        std::vector<QPoint> points;  // the centre line, twips
        double scale;
        QPoint at;  // twips
        QPoint probe;
        bool painted;
    };
    const Line round{100, kInk};
    Line squareStart = round, miter3 = round, miter1 = round, bevel = round;
    squareStart.startCap = 2;
    squareStart.endCap = 1;
    miter3.join = miter1.join = 2;
    miter1.miterLimit = 1.5;
    bevel.join = 1;
    // A right angle turning up; the join's outer side is down and right.
    const std::vector<QPoint> corner{{-600, 0}, {0, 0}, {0, -600}};
    // A 30 degree spike: the miter meets 9.66 px beyond the corner along +x.
    const std::vector<QPoint> spike{{-600, -161}, {0, 0}, {-600, 161}};
    const Case cases[] = {
        // 2.38 px from the corner, 22 degrees off the downward normal.
        {"small round join", round, corner, 1, {792, 806}, {40, 42}, false},
        {"small round join, on its corner", round, corner, 1, {792, 806}, {41, 41}, true},
        // 9.53 px from the corner at the same angle, four times larger.
        {"magnified round join", round, corner, 4, {737, 794}, {40, 48}, true},
        // A line from (10.3, 20.3) to (40.3, 20.3) px; (8, 22) lies in the
        // square's corner, outside a round cap.
        {"square start cap", squareStart, {{206, 406}, {806, 406}}, 1, {0, 0}, {8, 22}, true},
        {"square start cap, beyond", squareStart, {{206, 406}, {806, 406}}, 1, {0, 0}, {7, 20}, false},
        {"flat end cap", squareStart, {{206, 406}, {806, 406}}, 1, {0, 0}, {40, 20}, false},
        {"flat end cap, inside", squareStart, {{206, 406}, {806, 406}}, 1, {0, 0}, {39, 20}, true},
        // The corner at (20, 30.5) px: the miter's point at x = 29.6, a
        // limit of 1.5 widths cuts it at x = 27.5, a bevel at x = 20.6.
        {"miter within its limit", miter3, spike, 1, {400, 610}, {28, 30}, true},
        {"miter past its limit", miter1, spike, 1, {400, 610}, {28, 30}, false},
        {"miter cut at its limit", miter1, spike, 1, {400, 610}, {26, 30}, true},
        {"bevel", bevel, spike, 1, {400, 610}, {21, 30}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Movie m(60 * 20, 60 * 20, 12);
        m.background(0xffffff);
        ShapeBuilder s;
        s.style(0, 0, s.addLine(c.line));
        s.moveTo(c.points[0].x(), c.points[0].y());
        for (size_t i = 1; i < c.points.size(); ++i) s.lineTo(c.points[i].x(), c.points[i].y());
        m.shape(1, s, 4);
        m.place(1, 1, Matrix::scale(c.scale, c.scale, c.at.x(), c.at.y()));
        m.showFrame();
        const QImage img = swftest::shot(Player(swftest::load(m)));
        EXPECT_COLOR(img, c.probe.x(), c.probe.y(), c.painted ? kInk : kPaper, 0);
    }
}
