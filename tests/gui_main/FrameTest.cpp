// The frame: toolbar button visibility and layout, edge snapping, maximize,
// full screen and the smallest size.
#include "MainWindowFixture.h"

#include "skins/ui/SkinButton.h"

#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <array>

using namespace vx;

using FrameTest = MainWindowTest;

namespace {

QRect workArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

}  // namespace

class ButtonsVisibleTest : public MainWindowTest {
protected:
    struct Bar {
        std::array<bool, 9> shown{};
        std::array<int, 9> left{};
    };
    Bar startWith(const std::optional<QString>& value)
    {
        seedDefaults();
        if (value)
            seedText(QStringLiteral("ButtonsVisible"), *value);
        else
            removeValue(QStringLiteral("ButtonsVisible"));
        start();
        Bar bar;
        for (int i = 0; i < 9; ++i) {
            bar.shown[size_t(i)] = form->button(SkinButtonIndex(i))->isVisible();
            bar.left[size_t(i)] = form->button(SkinButtonIndex(i))->x();
        }
        finish();
        return bar;
    }
};

TEST_F(ButtonsVisibleTest, HiddenButtonsLeaveNoGap)
{
    const Bar all = startWith(std::nullopt);
    EXPECT_EQ(regText(QStringLiteral("ButtonsVisible")), QStringLiteral("111111111"));
    for (int i = 0; i < 9; ++i)
        EXPECT_TRUE(all.shown[size_t(i)]) << i;
    for (int i = 1; i < 9; ++i)
        EXPECT_GT(all.left[size_t(i)], all.left[size_t(i - 1)]) << i;

    // Save hidden: Settings takes its place and the rest follow.
    const Bar noSave = startWith(QStringLiteral("101111111"));
    EXPECT_FALSE(noSave.shown[kBtnSave]);
    EXPECT_EQ(noSave.left[kBtnOpen], all.left[kBtnOpen]);
    for (int i = kBtnSettings; i <= kBtnNext; ++i)
        EXPECT_EQ(noSave.left[size_t(i)], all.left[size_t(i - 1)]) << i;

    // Next hidden: nothing moves.
    const Bar noNext = startWith(QStringLiteral("111111110"));
    EXPECT_FALSE(noNext.shown[kBtnNext]);
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(noNext.shown[size_t(i)]) << i;
        EXPECT_EQ(noNext.left[size_t(i)], all.left[size_t(i)]) << i;
    }
}

TEST_F(ButtonsVisibleTest, ShortValuesHideTheMissingPositions)
{
    const Bar two = startWith(QStringLiteral("11"));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(two.shown[size_t(i)], i < 2) << i;

    const Bar three = startWith(QStringLiteral("101"));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(three.shown[size_t(i)], i == kBtnOpen || i == kBtnSettings) << i;

    // The window buttons are not part of the value.
    seedText(QStringLiteral("ButtonsVisible"), QStringLiteral("000000000"));
    start();
    for (SkinButtonIndex i : {kBtnFullScreen, kBtnMinimize, kBtnMaximize, kBtnClose})
        EXPECT_TRUE(form->button(i)->isVisible()) << i;
    // The right group ends at the bar's right edge.
    EXPECT_EQ(form->button(kBtnClose)->geometry().right(), form->buttonsPanel()->width() - 1);
}

TEST(SnapToWorkArea, WithinFifteenPixelsLandsOnTheEdge)
{
    const QRect area(0, 0, 1000, 700);
    const QSize size(400, 300);
    EXPECT_EQ(snapToWorkArea({15, 100}, size, area), QPoint(0, 100));
    EXPECT_EQ(snapToWorkArea({16, 100}, size, area), QPoint(16, 100));
    EXPECT_EQ(snapToWorkArea({-15, 100}, size, area), QPoint(0, 100));
    EXPECT_EQ(snapToWorkArea({-16, 100}, size, area), QPoint(-16, 100));
    // Right edge at 1000: the window's left at 600 touches it.
    EXPECT_EQ(snapToWorkArea({585, 100}, size, area), QPoint(600, 100));
    EXPECT_EQ(snapToWorkArea({615, 100}, size, area), QPoint(600, 100));
    EXPECT_EQ(snapToWorkArea({584, 100}, size, area), QPoint(584, 100));
    // Top and bottom (bottom at 700: top 400 touches it).
    EXPECT_EQ(snapToWorkArea({100, 15}, size, area), QPoint(100, 0));
    EXPECT_EQ(snapToWorkArea({100, 16}, size, area), QPoint(100, 16));
    EXPECT_EQ(snapToWorkArea({100, 385}, size, area), QPoint(100, 400));
    EXPECT_EQ(snapToWorkArea({100, 384}, size, area), QPoint(100, 384));
    // A corner snaps on both sides.
    EXPECT_EQ(snapToWorkArea({610, 390}, size, area), QPoint(600, 400));
    // A work area that does not start at 0.
    const QRect shifted(100, 30, 900, 670);
    EXPECT_EQ(snapToWorkArea({110, 40}, size, shifted), QPoint(100, 30));
    EXPECT_EQ(snapToWorkArea({116 + 0, 46}, size, shifted), QPoint(116, 46));
    // A window as wide as the area: left edge wins.
    EXPECT_EQ(snapToWorkArea({5, 100}, QSize(1000, 300), area), QPoint(0, 100));
}

TEST_F(FrameTest, MovingTheWindowNearAnEdgeSnapsIt)
{
    seedDefaults();
    start();
    form->move(workArea().left() + 10, 100);
    QTRY_COMPARE(form->pos(), QPoint(workArea().left(), 100));
    form->move(workArea().left() + 16, 100);
    QTest::qWait(50);
    EXPECT_EQ(form->pos(), QPoint(workArea().left() + 16, 100));
}

TEST_F(FrameTest, DoubleClickOnTheTopBarMaximizesAndRestores)
{
    seedDefaults();
    start();
    QWidget* top = child("TopMainImage");
    ASSERT_NE(top, nullptr);
    const QRect normal = form->geometry();
    QTest::mouseDClick(top, Qt::LeftButton, {}, QPoint(top->width() / 2, 5));
    QTRY_COMPARE(form->geometry(), workArea());
    QTest::mouseDClick(top, Qt::LeftButton, {}, QPoint(top->width() / 2, 5));
    QTRY_COMPARE(form->geometry(), normal);
    // The maximize button does the same.
    QTest::mouseClick(form->button(kBtnMaximize), Qt::LeftButton, {}, QPoint(3, 3));
    QTRY_COMPARE(form->geometry(), workArea());
}

TEST_F(FrameTest, RestoringWithoutRememberedBoundsGivesTheCentred400Window)
{
    seedDefaults();
    seedBounds(workArea());
    start();
    ASSERT_EQ(form->geometry(), workArea());
    form->MaximizeToggle();
    form->settleOpen();
    const QRect area = workArea();
    QTRY_COMPARE(form->geometry(),
                 QRect((area.x() + area.width()) / 2 - 200, (area.y() + area.height()) / 2 - 200, 400, 400));
}

TEST_F(FrameTest, FullScreenRoundTripReturnsToTheExactRectangle)
{
    seedDefaults();
    start();
    form->setGeometry(QRect(83, 61, 517, 333));
    QTRY_COMPARE(form->geometry(), QRect(83, 61, 517, 333));
    const QSize windowArea = area();

    key(Qt::Key_Return);
    EXPECT_TRUE(form->fullScreen());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QTRY_COMPARE(form->geometry(), screen);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->buttonsPanel()->isHidden());
    // No border and no bar: the picture area is the whole screen.
    QTRY_COMPARE(area(), screen.size());

    form->FullScreenToggle();
    form->settleOpen();
    EXPECT_FALSE(form->fullScreen());
    QTRY_COMPARE(form->geometry(), QRect(83, 61, 517, 333));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->buttonsPanel()->isHidden());
    QTRY_COMPARE(area(), windowArea);

    // The full-screen button and a double-click on the view do the same.
    QTest::mouseClick(form->button(kBtnFullScreen), Qt::LeftButton, {}, QPoint(3, 3));
    QTRY_COMPARE(form->geometry(), screen);
    QTest::mouseDClick(form->scrollBox()->viewport(), Qt::LeftButton, {}, QPoint(40, 40));
    QTRY_COMPARE(form->geometry(), QRect(83, 61, 517, 333));
}

TEST_F(FrameTest, WindowIsNeverSmallerThan400By55)
{
    seedDefaults();
    start();
    EXPECT_EQ(form->minimumSize(), QSize(400, 55));
    form->resize(100, 10);
    QTRY_COMPARE(form->size(), QSize(400, 55));
}

TEST_F(FrameTest, BorderDragSizesTheWindowDownToItsSmallestSize)
{
    seedDefaults();
    start();
    const QRect before = form->geometry();
    // The bottom-right corner of the sizing border.
    const QPoint corner(before.width() - 1, before.height() - 1);
    QTest::mousePress(form.get(), Qt::LeftButton, {}, corner);
    QTest::mouseMove(form.get(), corner + QPoint(50, 30));
    QTest::mouseRelease(form.get(), Qt::LeftButton, {}, corner + QPoint(50, 30));
    QTRY_COMPARE(form->geometry(), QRect(before.topLeft(), before.size() + QSize(50, 30)));

    // The left edge dragged far to the right stops at 400 pixels; the right
    // edge stays where it was.
    const QRect wide = form->geometry();
    QTest::mousePress(form.get(), Qt::LeftButton, {}, QPoint(1, 100));
    QTest::mouseMove(form.get(), QPoint(1 + 600, 100));
    QTest::mouseRelease(form.get(), Qt::LeftButton, {}, QPoint(1 + 600, 100));
    QTRY_COMPARE(form->geometry(), QRect(wide.right() + 1 - 400, wide.top(), 400, wide.height()));
    // Moving the mouse afterwards sizes nothing.
    QTest::mouseMove(form.get(), QPoint(200, 200));
    EXPECT_EQ(form->width(), 400);
}
