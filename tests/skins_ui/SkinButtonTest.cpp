#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QHelpEvent>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include "skins/ui/SkinButton.h"
#include "skins_ui/GuiApp.h"

using namespace vx;

namespace {

const QColor kNormalColor(10, 200, 10);
const QColor kUpColor(200, 200, 10);
const QColor kDownColor(10, 10, 200);

QImage solid(int w, int h, const QColor& c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// A button that records the wrong-size warning instead of showing it.
class RecordingButton : public TSkinButton {
public:
    QStringList texts;
    QStringList captions;

protected:
    void showWrongSizeMessage(const QString& text, const QString& caption) override {
        texts << text;
        captions << caption;
    }
};

class SkinButtonTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureGuiApp(); }

    // A visible button with three distinct 25 x 19 images.
    void makeSkinned(TSkinButtonStateCount count) {
        button.setStateCount(count);
        ASSERT_TRUE(button.setBMPNormal(solid(25, 19, kNormalColor)));
        ASSERT_TRUE(button.setBMPUp(solid(25, 19, kUpColor)));
        ASSERT_TRUE(button.setBMPDown(solid(25, 19, kDownColor)));
        button.show();
    }

    // The colour the button draws for its current state.
    QColor shown() { return button.grab().toImage().pixelColor(3, 3); }

    void press(QPoint p = {5, 5}, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(&button, b, Qt::NoModifier, p);
    }
    void release(QPoint p = {5, 5}, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(&button, b, Qt::NoModifier, p);
    }
    void move(QPoint p) { QTest::mouseMove(&button, p); }
    // A move without a held button. The window system drops a move to where
    // the pointer already is, so two distinct positions are sent.
    void hover() {
        move({3, 3});
        move({4, 4});
    }
    void sendLeave() {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&button, &leave);
    }
    void sendEnter() {
        QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), button.mapToGlobal(QPointF(5, 5)));
        QApplication::sendEvent(&button, &enter);
    }

    const QPoint outside{60, 5};
    RecordingButton button;
};

TEST_F(SkinButtonTest, ConstructionValuesAndEmptyButtonIsSolidBackground) {
    EXPECT_EQ(button.size(), QSize(20, 17));
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(button.stateCount(), sc3);
    EXPECT_TRUE(button.autoSetState());
    EXPECT_EQ(button.backgroundColor(), QColor(255, 0, 0));
    EXPECT_TRUE(button.bmpNormal().isNull());
    EXPECT_TRUE(button.bmpUp().isNull());
    EXPECT_TRUE(button.bmpDown().isNull());
    EXPECT_FALSE(button.isPressed());

    button.show();
    for (TSkinButtonState s : {bsNormal, bsUp, bsDown}) {
        button.setState(s);
        const QImage img = button.grab().toImage();
        ASSERT_EQ(img.size(), QSize(20, 17));
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                ASSERT_EQ(img.pixelColor(x, y), QColor(255, 0, 0)) << s << " " << x << "," << y;
    }
    // Pressing an empty button keeps the size and the solid colour.
    button.setBackgroundColor(QColor(0, 0, 255));
    press();
    EXPECT_EQ(button.state(), bsDown);
    EXPECT_EQ(button.size(), QSize(20, 17));
    EXPECT_EQ(shown(), QColor(0, 0, 255));
    release();
}

TEST_F(SkinButtonTest, TwoStatesLeaveAndReenterWhileHeldReleaseOutsideGivesNoClick) {
    makeSkinned(sc2);
    QSignalSpy clicks(&button, &TSkinButton::clicked);
    QSignalSpy ups(&button, &TSkinButton::mouseUp);

    hover();  // hover has no image of its own with two states
    EXPECT_EQ(button.state(), bsNormal);

    press();
    EXPECT_TRUE(button.isPressed());
    EXPECT_EQ(button.state(), bsDown);
    EXPECT_EQ(shown(), kDownColor);

    move(outside);
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(shown(), kNormalColor);

    move({6, 6});
    EXPECT_EQ(button.state(), bsDown);
    EXPECT_EQ(shown(), kDownColor);

    move(outside);
    release(outside);
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_FALSE(button.isPressed());
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(ups.count(), 1);
    EXPECT_EQ(ups.at(0).at(0).value<Qt::MouseButton>(), Qt::LeftButton);
    EXPECT_EQ(ups.at(0).at(1).toPoint(), outside);

    // Released over the button after coming back: one click.
    press();
    move(outside);
    move({5, 5});
    release();
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(button.state(), bsNormal);
}

TEST_F(SkinButtonTest, ThreeStatesHoverLeaveAndPressedTransitions) {
    makeSkinned(sc3);
    QSignalSpy clicks(&button, &TSkinButton::clicked);

    hover();
    EXPECT_EQ(button.state(), bsUp);
    EXPECT_EQ(shown(), kUpColor);
    sendLeave();
    EXPECT_EQ(button.state(), bsNormal);

    sendEnter();  // entering without a held button changes nothing
    EXPECT_EQ(button.state(), bsNormal);
    hover();
    EXPECT_EQ(button.state(), bsUp);

    press();
    EXPECT_EQ(button.state(), bsDown);
    move({7, 7});  // moving while held inside keeps the down image
    EXPECT_EQ(button.state(), bsDown);
    move(outside);
    EXPECT_EQ(button.state(), bsUp);
    EXPECT_EQ(shown(), kUpColor);
    move({5, 5});
    EXPECT_EQ(button.state(), bsDown);

    release();
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(clicks.count(), 1);

    // Release outside after leaving: normal, no further click.
    press();
    move(outside);
    EXPECT_EQ(button.state(), bsUp);
    release(outside);
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(SkinButtonTest, RightAndMiddleButtonsChangeNothingButAreReported) {
    makeSkinned(sc2);
    QSignalSpy clicks(&button, &TSkinButton::clicked);
    QSignalSpy downs(&button, &TSkinButton::mouseDown);
    QSignalSpy ups(&button, &TSkinButton::mouseUp);

    for (Qt::MouseButton b : {Qt::RightButton, Qt::MiddleButton}) {
        press({4, 6}, b);
        EXPECT_EQ(button.state(), bsNormal);
        EXPECT_FALSE(button.isPressed());
        move(outside);
        EXPECT_EQ(button.state(), bsNormal);
        release({4, 6}, b);
        EXPECT_EQ(button.state(), bsNormal);
    }
    EXPECT_EQ(clicks.count(), 0);
    ASSERT_EQ(downs.count(), 2);
    EXPECT_EQ(downs.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(downs.at(0).at(1).toPoint(), QPoint(4, 6));
    EXPECT_EQ(ups.count(), 2);
}

TEST_F(SkinButtonTest, ReleaseDrawsNormalBeforeClickAndMouseUpAreRaised) {
    makeSkinned(sc2);
    QColor colourAtClick, colourAtUp;
    TSkinButtonState stateAtClick = bsDown;
    QObject::connect(&button, &TSkinButton::clicked, [&] {
        stateAtClick = button.state();
        colourAtClick = shown();
    });
    QObject::connect(&button, &TSkinButton::mouseUp,
                     [&](Qt::MouseButton, QPoint) { colourAtUp = shown(); });
    press();
    release();
    EXPECT_EQ(stateAtClick, bsNormal);
    EXPECT_EQ(colourAtClick, kNormalColor);
    EXPECT_EQ(colourAtUp, kNormalColor);
}

TEST_F(SkinButtonTest, WithoutAutoSetStateOnlyHoverChangesState) {
    makeSkinned(sc2);
    button.setAutoSetState(false);
    QSignalSpy clicks(&button, &TSkinButton::clicked);
    press();
    EXPECT_TRUE(button.isPressed());
    EXPECT_EQ(button.state(), bsNormal);
    move(outside);
    move({5, 5});
    release();
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(clicks.count(), 1);

    button.setStateCount(sc3);
    hover();
    EXPECT_EQ(button.state(), bsUp);
    sendLeave();
    EXPECT_EQ(button.state(), bsUp);

    // The state set by hand stays through a press and release.
    button.setState(bsDown);
    press();
    release();
    EXPECT_EQ(button.state(), bsDown);
}

TEST_F(SkinButtonTest, NormalImageAtRunTimeResizesAndDrawsAtOnce) {
    button.show();
    button.setState(bsDown);
    const QImage img = solid(31, 23, kNormalColor);
    ASSERT_TRUE(button.setBMPNormal(img));
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(button.size(), QSize(31, 23));
    EXPECT_EQ(shown(), kNormalColor);
    EXPECT_EQ(button.grab().toImage().pixelColor(30, 22), kNormalColor);

    // The image is copied: changing the caller's copy leaves the button alone.
    QImage mine = img;
    mine.fill(Qt::black);
    EXPECT_EQ(button.bmpNormal().pixelColor(0, 0), kNormalColor);

    // Up and down images are taken without a redraw or a state change.
    ASSERT_TRUE(button.setBMPDown(solid(31, 23, kDownColor)));
    EXPECT_EQ(button.state(), bsNormal);
    button.setState(bsDown);
    EXPECT_EQ(shown(), kDownColor);
}

TEST_F(SkinButtonTest, WrongSizedImageIsRefusedWithWarning) {
    ASSERT_TRUE(button.setBMPNormal(solid(25, 19, kNormalColor)));
    const QImage oldUp = solid(25, 19, kUpColor);
    ASSERT_TRUE(button.setBMPUp(oldUp));
    EXPECT_TRUE(button.texts.isEmpty());

    EXPECT_FALSE(button.setBMPUp(solid(30, 20, Qt::black)));
    ASSERT_EQ(button.texts.size(), 1);
    EXPECT_EQ(button.texts[0],
              QString::fromUtf8("Вы пытаетесь установить неверное изображение состояния. Размеры "
                                "устанавливаемого изображения состояния должны совпадать с "
                                "размерами одного из уже установленных состояний."));
    EXPECT_EQ(button.captions[0], QString::fromUtf8("Внимание!"));
    EXPECT_EQ(button.bmpUp().size(), QSize(25, 19));
    EXPECT_EQ(button.bmpUp().pixelColor(0, 0), kUpColor);

    // The normal image is checked against the others as well.
    EXPECT_FALSE(button.setBMPNormal(solid(24, 19, Qt::black)));
    EXPECT_FALSE(button.setBMPDown(solid(25, 18, Qt::black)));
    EXPECT_EQ(button.texts.size(), 3);
    EXPECT_TRUE(button.bmpDown().isNull());

    // An empty image always fits and clears the state image.
    EXPECT_TRUE(button.setBMPUp(QImage()));
    EXPECT_TRUE(button.bmpUp().isNull());

    // The skin loader's direct replacement skips the check and the warning.
    button.replaceDownImage(solid(40, 30, kDownColor));
    EXPECT_EQ(button.bmpDown().size(), QSize(40, 30));
    EXPECT_EQ(button.texts.size(), 3);
}

TEST_F(SkinButtonTest, ImageOfAnySizeFitsWhenOthersAreEmpty) {
    EXPECT_TRUE(button.setBMPUp(solid(30, 20, kUpColor)));
    EXPECT_TRUE(button.texts.isEmpty());
    EXPECT_EQ(button.bmpUp().size(), QSize(30, 20));
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(button.size(), QSize(20, 17));  // no redraw, no resize

    // Showing that state sizes the button to it.
    button.show();
    button.setState(bsUp);
    EXPECT_EQ(button.size(), QSize(30, 20));
    EXPECT_EQ(shown(), kUpColor);
}

TEST_F(SkinButtonTest, ReplacedImagesShowOnNextPaintWithoutResize) {
    button.show();
    button.resize(25, 19);
    button.replaceNormalImage(solid(25, 19, kNormalColor));
    button.replaceDownImage(solid(25, 19, kDownColor));
    EXPECT_EQ(button.state(), bsNormal);
    EXPECT_EQ(shown(), kNormalColor);
    press();
    EXPECT_EQ(shown(), kDownColor);
    release();

    // A smaller image than the button leaves the rest in the background colour.
    button.replaceNormalImage(solid(10, 10, kNormalColor));
    const QImage img = button.grab().toImage();
    EXPECT_EQ(img.pixelColor(2, 2), kNormalColor);
    EXPECT_EQ(img.pixelColor(20, 15), QColor(255, 0, 0));
}

TEST_F(SkinButtonTest, HintIsShownOnlyWhenEnabled) {
    button.setToolTip("Open");
    button.show();
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
    button.setShowHint(false);
    QApplication::sendEvent(&button, &help);
    EXPECT_FALSE(QToolTip::isVisible());

    button.setShowHint(true);
    QApplication::sendEvent(&button, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), QString("Open"));
    QToolTip::hideText();
}

}  // namespace
