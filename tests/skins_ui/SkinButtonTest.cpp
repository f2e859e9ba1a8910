#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "skins/ui/SkinButton.h"
#include "skins_ui/GuiApp.h"

using namespace vx;

namespace {

const QColor kRed(255, 0, 0);
const QColor kNormal(10, 200, 10);
const QColor kUp(200, 200, 10);
const QColor kDown(10, 10, 200);

QImage solid(int w, int h, const QColor& c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// Records the wrong-size warning instead of showing a modal box.
class RecordingButton : public SkinButton {
public:
    QStringList texts, captions;

protected:
    void showWrongSizeMessage(const QString& text, const QString& caption) override {
        texts << text;
        captions << caption;
    }
};

class SkinButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureGuiApp(); }

    void makeSkinned(SkinButtonStateCount count) {
        b.setStateCount(count);
        ASSERT_TRUE(b.setBMPNormal(solid(25, 19, kNormal)));
        ASSERT_TRUE(b.setBMPUp(solid(25, 19, kUp)));
        ASSERT_TRUE(b.setBMPDown(solid(25, 19, kDown)));
        b.show();
    }
    QColor shown(QPoint at = {3, 3}) { return b.grab().toImage().pixelColor(at); }
    void press(QPoint p = {5, 5}, Qt::MouseButton mb = Qt::LeftButton) {
        QTest::mousePress(&b, mb, Qt::NoModifier, p);
    }
    void release(QPoint p = {5, 5}, Qt::MouseButton mb = Qt::LeftButton) {
        QTest::mouseRelease(&b, mb, Qt::NoModifier, p);
    }
    void move(QPoint p) { QTest::mouseMove(&b, p); }
    // A move with no button held; the window system drops a move to where the
    // pointer already is, so two positions are sent.
    void hover() {
        move({3, 3});
        move({4, 4});
    }
    void leave() {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(&b, &e);
    }

    const QPoint outside{60, 5};
    RecordingButton b;
};

TEST_F(SkinButtonTest, NewButtonIsASolidBackgroundInEveryState) {
    EXPECT_EQ(b.size(), QSize(20, 17));
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_EQ(b.stateCount(), sc3);
    EXPECT_TRUE(b.autoSetState());
    EXPECT_EQ(b.backgroundColor(), kRed);
    EXPECT_TRUE(b.bmpNormal().isNull() && b.bmpUp().isNull() && b.bmpDown().isNull());

    b.show();
    for (SkinButtonState s : {bsNormal, bsUp, bsDown}) {
        b.setState(s);
        const QImage img = b.grab().toImage();
        ASSERT_EQ(img.size(), QSize(20, 17));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) ASSERT_EQ(img.pixelColor(x, y), kRed) << s;
    }
    b.setBackgroundColor(Qt::blue);
    press();
    EXPECT_EQ(b.state(), bsDown);
    EXPECT_EQ(b.size(), QSize(20, 17));
    EXPECT_EQ(shown(), QColor(Qt::blue));
}

TEST_F(SkinButtonTest, TwoStatesLeaveReenterAndReleaseOutside) {
    makeSkinned(sc2);
    QSignalSpy clicks(&b, &SkinButton::clicked);
    QSignalSpy ups(&b, &SkinButton::mouseUp);

    hover();
    EXPECT_EQ(b.state(), bsNormal);
    press();
    EXPECT_TRUE(b.isPressed());
    EXPECT_EQ(shown(), kDown);
    move(outside);
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_EQ(shown(), kNormal);
    move({6, 6});
    EXPECT_EQ(b.state(), bsDown);
    move(outside);
    release(outside);
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_FALSE(b.isPressed());
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups[0][0].value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(ups[0][1].toPoint(), outside);

    // Back over the button before the release: exactly one click.
    press();
    move(outside);
    move({5, 5});
    release();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(b.state(), bsNormal);
}

TEST_F(SkinButtonTest, ThreeStatesHoverAndPressedTransitions) {
    makeSkinned(sc3);
    QSignalSpy clicks(&b, &SkinButton::clicked);

    hover();
    EXPECT_EQ(b.state(), bsUp);
    EXPECT_EQ(shown(), kUp);
    leave();
    EXPECT_EQ(b.state(), bsNormal);
    hover();
    press();
    EXPECT_EQ(b.state(), bsDown);
    move({7, 7});  // moving inside while held keeps the down image
    EXPECT_EQ(b.state(), bsDown);
    move(outside);
    EXPECT_EQ(b.state(), bsUp);
    move({5, 5});
    EXPECT_EQ(b.state(), bsDown);
    release();
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_EQ(clicks.count(), 1);

    press();
    move(outside);
    release(outside);
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(SkinButtonTest, RightButtonChangesNothingButIsReported) {
    makeSkinned(sc2);
    QSignalSpy clicks(&b, &SkinButton::clicked);
    QSignalSpy downs(&b, &SkinButton::mouseDown);
    press({4, 6}, Qt::RightButton);
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_FALSE(b.isPressed());
    move(outside);
    release({4, 6}, Qt::RightButton);
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(downs.count(), 1);
    EXPECT_EQ(downs[0][0].value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(downs[0][1].toPoint(), QPoint(4, 6));
}

TEST_F(SkinButtonTest, ReleasedLookIsDrawnBeforeTheCommandRuns) {
    makeSkinned(sc2);
    QColor atClick, atUp;
    QObject::connect(&b, &SkinButton::clicked, [&] { atClick = shown(); });
    QObject::connect(&b, &SkinButton::mouseUp, [&](Qt::MouseButton, QPoint) { atUp = shown(); });
    press();
    release();
    EXPECT_EQ(atClick, kNormal);
    EXPECT_EQ(atUp, kNormal);
}

TEST_F(SkinButtonTest, WithoutAutoSetStateOnlyHoverChangesTheState) {
    makeSkinned(sc2);
    b.setAutoSetState(false);
    QSignalSpy clicks(&b, &SkinButton::clicked);
    press();
    move(outside);
    move({5, 5});
    EXPECT_EQ(b.state(), bsNormal);
    release();
    EXPECT_EQ(clicks.count(), 1);

    b.setStateCount(sc3);
    hover();
    EXPECT_EQ(b.state(), bsUp);
    leave();
    EXPECT_EQ(b.state(), bsUp);
}

TEST_F(SkinButtonTest, NormalImageAtRunTimeResizesAndDraws) {
    b.show();
    b.setState(bsDown);
    ASSERT_TRUE(b.setBMPNormal(solid(31, 23, kNormal)));
    EXPECT_EQ(b.state(), bsNormal);
    EXPECT_EQ(b.size(), QSize(31, 23));
    EXPECT_EQ(shown({30, 22}), kNormal);

    // A smaller image set by the skin loader leaves the rest in the background colour.
    b.replaceNormalImage(solid(10, 10, kNormal));
    EXPECT_EQ(b.size(), QSize(31, 23));
    EXPECT_EQ(shown({2, 2}), kNormal);
    EXPECT_EQ(shown({20, 15}), kRed);
}

TEST_F(SkinButtonTest, ImageOfAnotherSizeIsRefusedWithWarning) {
    // Any size fits while the other images are empty; no redraw, no resize.
    ASSERT_TRUE(b.setBMPUp(solid(30, 20, kUp)));
    EXPECT_EQ(b.size(), QSize(20, 17));
    ASSERT_TRUE(b.setBMPUp(QImage()));

    ASSERT_TRUE(b.setBMPNormal(solid(25, 19, kNormal)));
    ASSERT_TRUE(b.setBMPUp(solid(25, 19, kUp)));
    EXPECT_TRUE(b.texts.isEmpty());

    EXPECT_FALSE(b.setBMPUp(solid(30, 20, Qt::black)));
    ASSERT_EQ(b.texts.size(), 1);
    EXPECT_EQ(b.texts[0],
              QString::fromUtf8("Вы пытаетесь установить неверное изображение состояния. Размеры "
                                "устанавливаемого изображения состояния должны совпадать с "
                                "размерами одного из уже установленных состояний."));
    EXPECT_EQ(b.captions[0], QString::fromUtf8("Внимание!"));
    EXPECT_EQ(b.bmpUp().pixelColor(0, 0), kUp);

    EXPECT_FALSE(b.setBMPNormal(solid(24, 19, Qt::black)));
    EXPECT_FALSE(b.setBMPDown(solid(25, 18, Qt::black)));
    EXPECT_EQ(b.texts.size(), 3);
    EXPECT_EQ(b.bmpNormal().size(), QSize(25, 19));
    EXPECT_TRUE(b.bmpDown().isNull());

    // The skin loader's direct replacement skips the check.
    b.replaceDownImage(solid(40, 30, kDown));
    EXPECT_EQ(b.bmpDown().size(), QSize(40, 30));
    EXPECT_EQ(b.texts.size(), 3);
}

TEST_F(SkinButtonTest, HintIsATooltipThatShowHintSwitches) {
    b.setToolTip("Open");
    b.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), b.mapToGlobal(QPoint(5, 5)));
    b.setShowHint(false);
    QApplication::sendEvent(&b, &help);
    EXPECT_FALSE(QToolTip::isVisible());
    b.setShowHint(true);
    QApplication::sendEvent(&b, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString("Open"));
    QToolTip::hideText();
}

}  // namespace
