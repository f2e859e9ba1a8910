// View geometry through the window: scaling modes, zoom keys, the fit
// toggle and rotation by keys and buttons.
#include "MainWindowFixture.h"

#include "codecs_gif/GifWriter.h"

#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"

#include <QTest>

using GeometryTest = MainWindowTest;

namespace {

// Rows (a b) (c d) (e f).
const QColor a(255, 0, 0), b(0, 255, 0), c(0, 0, 255), d(255, 255, 0), e(0, 255, 255), f(255, 0, 255);

QImage twoByThree()
{
    QImage image(2, 3, QImage::Format_RGB888);
    image.setPixelColor(0, 0, a);
    image.setPixelColor(1, 0, b);
    image.setPixelColor(0, 1, c);
    image.setPixelColor(1, 1, d);
    image.setPixelColor(0, 2, e);
    image.setPixelColor(1, 2, f);
    return image;
}

// The pixels the picture control shows, row by row.
std::vector<std::vector<QColor>> shownPixels(vx::PictureControl* picture)
{
    const QImage shot = picture->grab().toImage();
    std::vector<std::vector<QColor>> rows;
    for (int y = 0; y < shot.height(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < shot.width(); ++x)
            rows.back().push_back(shot.pixelColor(x, y));
    }
    return rows;
}

using Rows = std::vector<std::vector<QColor>>;

}  // namespace

TEST_F(GeometryTest, FitBigImagesShrinksOnlyWhatDoesNotFit)
{
    seedDefaults(1);
    const QString fits = writeBmp(QStringLiteral("fits.bmp"), 450, 380);
    const QString wide = writeBmp(QStringLiteral("wide.bmp"), 520, 300);
    const QString tall = writeBmp(QStringLiteral("tall.bmp"), 300, 1000);
    start();
    arrangeArea(QSize(500, 400));
    form->openPath(fits);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry(), QRect(25, 10, 450, 380));
    form->openPath(wide);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry(), QRect(0, 56, 500, 288));
    form->openPath(tall);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry(), QRect(190, 0, 120, 400));
}

TEST_F(GeometryTest, FitAllImagesTruncatesTheScaledSide)
{
    seedDefaults(2);
    const QString pic = writeBmp(QStringLiteral("small.bmp"), 50, 53);
    start();
    arrangeArea(QSize(800, 900));
    form->openPath(pic);
    form->settleOpen();
    // (53 / 50) x 800 = 847.99...: 847, not 848.
    EXPECT_EQ(pictureGeometry().size(), QSize(800, 847));
    arrangeArea(QSize(500, 400));
    form->openPath(pic);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry().size(), QSize(377, 400));
}

TEST_F(GeometryTest, KeypadPlusAndMinusZoomInSteps)
{
    seedDefaults(3);
    const QString hundred = writeBmp(QStringLiteral("h.bmp"), 100, 100);
    const QString narrow = writeBmp(QStringLiteral("n.bmp"), 21, 500);
    const QString wide = writeBmp(QStringLiteral("w.bmp"), 3199, 10);
    start();
    form->openPath(hundred);
    form->settleOpen();
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(120, 120));
    EXPECT_EQ(pictureGeometry().topLeft(), QPoint(area().width() / 2 - 60, area().height() / 2 - 60));
    key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(100, 100));
    // The main keyboard's plus and minus are not zoom keys.
    key(Qt::Key_Plus);
    key(Qt::Key_Minus);
    EXPECT_EQ(pictureGeometry().size(), QSize(100, 100));

    form->openPath(narrow);
    form->settleOpen();
    key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(18, 417));
    key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(18, 417));

    form->openPath(wide);
    form->settleOpen();
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(3839, 12));
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(3839, 12));
    // Zooming needs no displayed file: after an error the control stays empty.
    form->ShowLabelError(QStringLiteral("x"));
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(0, 0));
}

TEST_F(GeometryTest, KeypadStarTogglesBetweenNaturalSizeAndFit)
{
    seedDefaults(3);
    const QString pic = writeBmp(QStringLiteral("p.bmp"), 100, 50);
    start();
    arrangeArea(QSize(600, 400));
    form->openPath(pic);
    form->settleOpen();
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry(), QRect(0, 50, 600, 300));
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry(), QRect(250, 175, 100, 50));
    // After a zoom step the toggle returns to the natural size.
    key(Qt::Key_Plus, Qt::KeypadModifier);
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(100, 50));
}

TEST_F(GeometryTest, FitToggleOfAShrunkPictureShowsItsNaturalSize)
{
    seedDefaults(1);
    const QString pic = writeBmp(QStringLiteral("long.bmp"), 1200, 400);
    start();
    arrangeArea(QSize(600, 400));
    form->openPath(pic);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry().size(), QSize(600, 200));
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry(), QRect(0, 0, 1200, 400));
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(600, 200));
}

TEST_F(GeometryTest, LAndRTurnThePictureAQuarter)
{
    seedDefaults(3);
    const QString pic = writeImage(QStringLiteral("six.bmp"), twoByThree(), "BMP");
    start({pic});
    ASSERT_TRUE(labelLime()) << labelText().toStdString();
    key(Qt::Key_L);
    EXPECT_EQ(pictureGeometry().size(), QSize(3, 2));
    EXPECT_EQ(shownPixels(form->picture()), (Rows{{e, c, a}, {f, d, b}}));
    // The natural size turns with the picture.
    EXPECT_EQ(form->state().natural.width(), 3);
    EXPECT_EQ(form->state().natural.height(), 2);

    form->OpenCurrentFile();
    form->settleOpen();
    key(Qt::Key_R);
    EXPECT_EQ(pictureGeometry().size(), QSize(3, 2));
    EXPECT_EQ(shownPixels(form->picture()), (Rows{{b, d, f}, {a, c, e}}));

    // Four turns give the picture back.
    for (int i = 0; i < 3; ++i)
        key(Qt::Key_R);
    EXPECT_EQ(shownPixels(form->picture()), (Rows{{a, b}, {c, d}, {e, f}}));
}

TEST_F(GeometryTest, RotateButtonsActOnReleaseOverTheButton)
{
    seedDefaults(3);
    const QString pic = writeImage(QStringLiteral("six.bmp"), twoByThree(), "BMP");
    start({pic});
    QWidget* right = form->button(vx::kBtnRotate90);
    QWidget* left = form->button(vx::kBtnRotate270);
    ASSERT_TRUE(right->isVisible());

    // Pressed, then released away from the button: nothing turns.
    QTest::mousePress(right, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(right, Qt::LeftButton, {}, QPoint(right->width() + 30, 5));
    EXPECT_EQ(pictureGeometry().size(), QSize(2, 3));

    QTest::mouseClick(right, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(shownPixels(form->picture()), (Rows{{e, c, a}, {f, d, b}}));
    QTest::mouseClick(left, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(shownPixels(form->picture()), (Rows{{a, b}, {c, d}, {e, f}}));
}

TEST_F(GeometryTest, ZoomedPictureIsShownAtNaturalSizeAfterRotation)
{
    seedDefaults(3);
    const QString pic = writeBmp(QStringLiteral("z.bmp"), 100, 50);
    start({pic});
    key(Qt::Key_Plus, Qt::KeypadModifier);
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(144, 72));
    key(Qt::Key_L);
    EXPECT_EQ(pictureGeometry().size(), QSize(50, 100));
    EXPECT_FALSE(form->picture()->stretch());
    EXPECT_EQ(pictureGeometry().topLeft(), QPoint(area().width() / 2 - 25, area().height() / 2 - 50));
    // Zoom after the turn works on the turned size and stretches again.
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(60, 120));
    EXPECT_TRUE(form->picture()->stretch());
}

TEST_F(GeometryTest, FitToggleAfterARotationKeepsTheTurnedProportions)
{
    seedDefaults(3);
    const QString pic = writeBmp(QStringLiteral("r.bmp"), 100, 50);
    start();
    arrangeArea(QSize(600, 400));
    form->openPath(pic);
    form->settleOpen();
    key(Qt::Key_R);
    EXPECT_EQ(pictureGeometry().size(), QSize(50, 100));
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry(), QRect(200, 0, 200, 400));
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), QSize(50, 100));
    // Reopening gives the file's own size back.
    form->OpenCurrentFile();
    settle();
    EXPECT_EQ(form->state().natural.width(), 100);
    EXPECT_EQ(pictureGeometry().size(), QSize(100, 50));
}

TEST_F(GeometryTest, ZoomOrTurnStopsAnAnimationAndReopeningStartsIt)
{
    seedDefaults(3);
    testgif::File gif;
    gif.width = 6;
    gif.height = 4;
    gif.palette = {{255, 0, 0}, {0, 0, 255}};
    gif.loops = 0;
    for (uint8_t i : {0, 1}) {
        testgif::Frame f = testgif::solid(0, 0, 6, 4, i);
        f.delayCs = 5;
        gif.frames.push_back(f);
    }
    const QString path = writeText(QStringLiteral("blink.gif"), testgif::write(gif));
    start({path});
    ASSERT_TRUE(labelLime()) << labelText().toStdString();
    EXPECT_TRUE(form->picture()->isAnimating());
    key(Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_FALSE(form->picture()->isAnimating());
    EXPECT_TRUE(form->picture()->hasPicture());
    EXPECT_EQ(pictureGeometry().size(), QSize(7, 5));

    form->OpenCurrentFile();
    form->settleOpen();
    EXPECT_TRUE(form->picture()->isAnimating());
    EXPECT_EQ(pictureGeometry().size(), QSize(6, 4));
    key(Qt::Key_L);
    EXPECT_FALSE(form->picture()->isAnimating());
    EXPECT_EQ(pictureGeometry().size(), QSize(4, 6));
}
