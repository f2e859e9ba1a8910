// Movies in the real main window: the transport panel, its buttons, the
// frame bar, the rewind hot keys, the panel key and leaving a movie.
#include "MediaFixture.h"

#include "flash/ui/FrameProgressBar.h"
#include "i18n/MainFormTexts.h"
#include "swfwriter/SwfWriter.h"
#include "flash/ui/ShockwaveFlash.h"
#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"

#include <QLabel>
#include <QTest>

namespace media {
namespace {

class MovieTest : public MediaTest {
protected:
    // Starts the window and opens a movie of the given frame count (one
    // frame a second, so nothing moves on by itself during a test).
    void openMovie(int frames)
    {
        start();
        moviePath = writeFile(path(QStringLiteral("clip.swf")), movieBytes(frames));
        form->openPath(moviePath);
        form->settleOpen();
        tick();
    }
    vx::ShockwaveFlash* flash() const { return form->flash(); }
    vx::SkinButton* button(vx::SkinButtonIndex i) const { return form->button(i); }
    void click(vx::SkinButtonIndex i) { QTest::mouseClick(button(i), Qt::LeftButton, {}, QPoint(5, 5)); }
    // Sizes the window so that the frame bar is width pixels wide.
    void setBarWidth(int width)
    {
        form->resize(width + 140 + 6, 400);
        ASSERT_EQ(form->frameBar()->width(), width);
    }
    void pressBar(int x)
    {
        QTest::mousePress(form->frameBar(), Qt::LeftButton, {}, QPoint(x, 4));
        QTest::mouseRelease(form->frameBar(), Qt::LeftButton, {}, QPoint(x, 4));
    }
    void ctrlKey(Qt::Key key) { QTest::keyClick(flash(), key, Qt::ControlModifier); }

    QString moviePath;
};

TEST_F(MovieTest, OpeningShowsTheTransportWithTheFirstFrameOfTheTotal)
{
    openMovie(12);
    EXPECT_TRUE(form->navButtonPanel()->isVisible());
    EXPECT_TRUE(flash()->isVisible());
    // The control leaves the picture area and fills the window between the bars.
    EXPECT_EQ(flash()->parentWidget(), form.get());
    EXPECT_EQ(flash()->geometry().top(), form->buttonsPanel()->geometry().bottom() + 1);
    EXPECT_EQ(flash()->geometry().bottom() + 1, form->navButtonPanel()->geometry().top());
    EXPECT_EQ(flash()->Movie(), moviePath);
    EXPECT_EQ(form->frameLabel()->text(), QStringLiteral("0/12"));
    EXPECT_EQ(form->frameBar()->Max(), 12);
    EXPECT_TRUE(flash()->Playing());
    EXPECT_TRUE(button(vx::kBtnPause)->isVisible());
    EXPECT_FALSE(button(vx::kBtnPlay)->isVisible());
    EXPECT_TRUE(form->nameLabel()->text().startsWith(QStringLiteral("clip.swf")));
    EXPECT_FALSE(form->labelIsRed());
}

TEST_F(MovieTest, PauseThenPlayResumesAndStopReturnsToTheFirstFrame)
{
    openMovie(12);
    click(vx::kBtnPause);
    EXPECT_FALSE(flash()->Playing());
    EXPECT_TRUE(button(vx::kBtnPlay)->isVisible());
    EXPECT_FALSE(button(vx::kBtnPause)->isVisible());

    flash()->GotoFrame(5);
    click(vx::kBtnPlay);
    EXPECT_TRUE(flash()->Playing());
    EXPECT_EQ(flash()->CurrentFrame(), 5);
    EXPECT_TRUE(button(vx::kBtnPause)->isVisible());

    // Released away from the button: nothing happens.
    QTest::mousePress(button(vx::kBtnPause), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(button(vx::kBtnPause), Qt::LeftButton, {}, QPoint(-20, 40));
    EXPECT_TRUE(flash()->Playing());

    click(vx::kBtnStop);
    EXPECT_FALSE(flash()->Playing());
    EXPECT_EQ(flash()->CurrentFrame(), 0);
    tick();
    EXPECT_EQ(form->frameLabel()->text(), QStringLiteral("0/12"));
    EXPECT_TRUE(button(vx::kBtnPlay)->isVisible());
    EXPECT_FALSE(button(vx::kBtnPause)->isVisible());
}

TEST_F(MovieTest, APlayingMovieMovesOnAndTheTimerFollowsIt)
{
    start();
    form->openPath(writeFile(path(QStringLiteral("fast.swf")), movieBytes(200, 200, 100, 50)));
    form->settleOpen();
    QTRY_VERIFY_WITH_TIMEOUT(flash()->CurrentFrame() >= 3, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(form->frameLabel()->text().section(QLatin1Char('/'), 1), QStringLiteral("200"), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(form->frameBar()->Position() >= 3, 1000);
}

TEST_F(MovieTest, ClicksOnTheBarSeekByTheShareOfItsWidth)
{
    openMovie(100);
    setBarWidth(457);
    pressBar(228);  // 49.89 % of 100 frames rounds to 50
    EXPECT_EQ(flash()->CurrentFrame(), 50);
    EXPECT_EQ(form->frameBar()->Position(), 50);
    EXPECT_TRUE(flash()->Playing());

    click(vx::kBtnPause);
    pressBar(0);
    EXPECT_EQ(flash()->CurrentFrame(), 0);
    EXPECT_FALSE(flash()->Playing());  // a paused movie stays paused

    // The right end asks for frame TotalFrames; the control shows its last.
    pressBar(457);
    EXPECT_EQ(form->frameBar()->Position(), 100);
    EXPECT_EQ(flash()->CurrentFrame(), 99);
    tick();
    EXPECT_EQ(form->frameLabel()->text(), QStringLiteral("99/100"));
}

TEST_F(MovieTest, DraggingSeeksWhileTheButtonIsHeld)
{
    openMovie(100);
    setBarWidth(457);
    vx::FrameProgressBar* bar = form->frameBar();
    sendMouse(bar, QEvent::MouseButtonPress, QPoint(0, 4), Qt::LeftButton);
    sendMouse(bar, QEvent::MouseMove, QPoint(114, 4), Qt::LeftButton);
    EXPECT_EQ(flash()->CurrentFrame(), 25);
    EXPECT_TRUE(flash()->Playing());  // a drag keeps a running movie running
    // Left of the bar: a negative frame; the control shows frame 0 and the
    // bar keeps its position.
    sendMouse(bar, QEvent::MouseMove, QPoint(-50, 4), Qt::LeftButton);
    EXPECT_EQ(flash()->CurrentFrame(), 0);
    EXPECT_EQ(bar->Position(), 25);
    sendMouse(bar, QEvent::MouseButtonRelease, QPoint(300, 4), Qt::NoButton);
    EXPECT_EQ(flash()->CurrentFrame(), 0);
    // Moves after the release do not seek.
    sendMouse(bar, QEvent::MouseMove, QPoint(400, 4), Qt::LeftButton);
    EXPECT_EQ(flash()->CurrentFrame(), 0);
}

TEST_F(MovieTest, RewindHotKeysStepFiveFramesAndKeepThePlayingState)
{
    openMovie(40);
    click(vx::kBtnPause);
    flash()->GotoFrame(20);
    ctrlKey(Qt::Key_Right);
    EXPECT_EQ(flash()->CurrentFrame(), 25);
    ctrlKey(Qt::Key_Left);
    ctrlKey(Qt::Key_Left);
    EXPECT_EQ(flash()->CurrentFrame(), 15);
    EXPECT_FALSE(flash()->Playing());

    click(vx::kBtnPlay);
    flash()->GotoFrame(2);
    ctrlKey(Qt::Key_Left);  // frame -3 asked for; the control stops at 0
    EXPECT_EQ(flash()->CurrentFrame(), 0);
    EXPECT_TRUE(flash()->Playing());
    // The keys reach the movie from the window itself too.
    QTest::keyClick(form.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(flash()->CurrentFrame(), 5);
}

TEST_F(MovieTest, F12HidesAndShowsTheTransportPanel)
{
    openMovie(12);
    const int withPanel = flash()->height();
    QTest::keyClick(flash(), Qt::Key_F12);
    EXPECT_FALSE(form->navButtonPanel()->isVisible());
    EXPECT_FALSE(form->movie().panelVisible);
    EXPECT_EQ(flash()->height(), withPanel + form->navButtonPanel()->height());
    EXPECT_TRUE(flash()->isVisible());

    // The next movie keeps the panel hidden.
    form->openPath(moviePath);
    form->settleOpen();
    EXPECT_FALSE(form->navButtonPanel()->isVisible());

    QTest::keyClick(form.get(), Qt::Key_F12);
    EXPECT_TRUE(form->navButtonPanel()->isVisible());
    EXPECT_TRUE(form->movie().panelVisible);
    EXPECT_EQ(flash()->height(), withPanel);
}

TEST_F(MovieTest, APictureOpenedNextStopsAndHidesTheMovie)
{
    openMovie(12);
    const QString picture = writeBmp(path(QStringLiteral("still.bmp")), quarterPicture(40, 30));
    form->openPath(picture);
    form->settleOpen();
    EXPECT_FALSE(flash()->isVisible());
    EXPECT_FALSE(flash()->Playing());
    EXPECT_FALSE(form->navButtonPanel()->isVisible());
    form->settleOpen();  // the picture arrives from the decoding thread
    EXPECT_TRUE(form->picture()->hasPicture());
    EXPECT_EQ(form->state().natural.width(), 40);

    // F12 and the rewind keys belong to movies only.
    const int frame = flash()->CurrentFrame();
    QTest::keyClick(form.get(), Qt::Key_F12);
    QTest::keyClick(form.get(), Qt::Key_Right, Qt::ControlModifier);
    EXPECT_FALSE(form->navButtonPanel()->isVisible());
    EXPECT_EQ(flash()->CurrentFrame(), frame);

    // Back to the movie: it plays from its first frame again.
    form->openPath(moviePath);
    form->settleOpen();
    EXPECT_TRUE(flash()->isVisible());
    EXPECT_TRUE(flash()->Playing());
    EXPECT_EQ(flash()->CurrentFrame(), 0);
}

TEST_F(MovieTest, AFileThatIsNoMovieShowsTheOpenErrorAndAShortMoviePlaysWhatItHas)
{
    start();
    swfw::Movie cut(100 * 20, 100 * 20, 20);
    cut.showFrame();
    cut.showFrame();
    const swfw::Bytes whole = cut.bytes(true);
    QByteArray cutBytes(reinterpret_cast<const char*>(whole.data()), qsizetype(whole.size()));
    cutBytes.chop(4);  // the zlib stream ends early
    const struct {
        const char* name;
        QByteArray bytes;
        bool opens;
    } cases[] = {
        {"header.swf", QByteArray("FWS\x08\xff\xff\xff\x7f", 8), false},
        {"picture.swf", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), false},
        {"zlib.swf", QByteArray("CWS\x08\x40\0\0\0garbage that is no zlib stream", 38), false},
        {"short.swf", cutBytes, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->openPath(writeFile(path(QString::fromLatin1(c.name)), c.bytes));
        form->settleOpen();
        tick();
        EXPECT_EQ(form->labelIsRed(), !c.opens);
        EXPECT_EQ(flash()->isVisible(), c.opens);
        if (!c.opens) EXPECT_EQ(form->nameLabel()->text(), vx::lang::cannotOpenText(QString::fromLatin1(c.name)));
        else EXPECT_EQ(flash()->TotalFrames(), 2);
    }
}

}  // namespace
}  // namespace media
