// Start-up and shutdown: first start defaults, stored bounds, the title
// effect, the start logo and the command-line argument.
#include "MainWindowFixture.h"
#include "app/AfterPaint.h"

#include "viewer/ui/PictureControl.h"

#include <QDir>
#include <QScrollArea>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

namespace {

const QString kTitle = QStringLiteral("Vextrel Viewer");

QRect workArea()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

QRect centred400(const QRect& area)
{
    return QRect((area.x() + area.width()) / 2 - 200, (area.y() + area.height()) / 2 - 200, 400, 400);
}

}  // namespace

using StartupTest = MainWindowTest;

TEST_F(StartupTest, FirstStartWritesDefaultsAndCentresA400Window)
{
    const QString pic = writeBmp(QStringLiteral("first.bmp"), 10, 10);
    start({pic});
    EXPECT_EQ(regText(QStringLiteral("ButtonsVisible")), QStringLiteral("111111111"));
    EXPECT_EQ(regInt(QStringLiteral("CurrentFileNameLabelVisible")), 1);
    EXPECT_EQ(regInt(QStringLiteral("CurrentFileNumberVisible")), 1);
    EXPECT_EQ(regInt(QStringLiteral("ImageScale")), 1);
    EXPECT_EQ(regInt(QStringLiteral("FlashScale")), 1);
    EXPECT_EQ(regInt(QStringLiteral("FlashQuality")), 1);
    EXPECT_EQ(regInt(QStringLiteral("FlashFSCommand")), 0);
    EXPECT_EQ(regInt(QStringLiteral("FullScreen")), 0);
    EXPECT_EQ(regText(QStringLiteral("Language")), programFolder + QStringLiteral("Data/Languages/Russian.lng"));
    EXPECT_FALSE(regText(QStringLiteral("BackColor")).has_value());
    // A start with a file does not decide about the start logo.
    EXPECT_FALSE(regInt(QStringLiteral("ShowStartLogo")).has_value());

    EXPECT_EQ(form->geometry(), centred400(workArea()));
    // The number is written as on but shown only from the next start.
    EXPECT_EQ(labelText(), QStringLiteral("first.bmp"));
    finish();

    start({pic});
    EXPECT_EQ(labelText(), QStringLiteral("first.bmp [1/1]"));
    EXPECT_EQ(form->geometry(), centred400(workArea()));
}

TEST_F(StartupTest, StoredBoundsAreUsedAndShutdownWritesGeometryAndColours)
{
    seedDefaults();
    seedText(QStringLiteral("BackColor"), QStringLiteral("clRed"));
    start();
    EXPECT_EQ(form->geometry(), QRect(50, 40, 606, 426));
    EXPECT_EQ(form->scrollBox()->palette().color(QPalette::Window), QColor(255, 0, 0));

    form->setGeometry(QRect(70, 60, 480, 300));
    QTRY_COMPARE(form->geometry(), QRect(70, 60, 480, 300));
    finish();
    EXPECT_EQ(regInt(QStringLiteral("FormWidth")), 480);
    EXPECT_EQ(regInt(QStringLiteral("FormHeight")), 300);
    EXPECT_EQ(regInt(QStringLiteral("FormLeft")), 70);
    EXPECT_EQ(regInt(QStringLiteral("FormTop")), 60);
    EXPECT_EQ(regInt(QStringLiteral("FullScreen")), 0);
    EXPECT_EQ(regText(QStringLiteral("BackColor")), QStringLiteral("clRed"));

    // An unknown colour name gives the default dark view, written back as text.
    seedText(QStringLiteral("BackColor"), QStringLiteral("red"));
    start();
    EXPECT_EQ(form->scrollBox()->palette().color(QPalette::Window), QColor(20, 20, 20));
    finish();
    EXPECT_EQ(regText(QStringLiteral("BackColor")), QStringLiteral("$00141414"));
}

TEST_F(StartupTest, FullScreenIsStoredAndRestoredWithTheWorkAreaToReturnTo)
{
    seedDefaults();
    start();
    key(Qt::Key_Return);
    EXPECT_TRUE(form->fullScreen());
    finish();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(regInt(QStringLiteral("FullScreen")), 1);
    EXPECT_EQ(regInt(QStringLiteral("FormWidth")), screen.width());
    EXPECT_EQ(regInt(QStringLiteral("FormHeight")), screen.height());

    start();
    EXPECT_TRUE(form->fullScreen());
    EXPECT_EQ(form->geometry(), screen);
    EXPECT_TRUE(form->buttonsPanel()->isHidden());
    key(Qt::Key_Return);
    EXPECT_FALSE(form->fullScreen());
    QTRY_COMPARE(form->geometry(), workArea());
    EXPECT_FALSE(form->buttonsPanel()->isHidden());
}

TEST_F(StartupTest, TitleIsTypedOneLetterAtATimeAndStays)
{
    seedDefaults();
    start();
    EXPECT_TRUE(form->titleEffectRunning());
    // Every text seen on the way is the title's beginning, growing by one letter.
    QString last = labelText();
    EXPECT_LT(last.size(), kTitle.size());
    QElapsedTimer clock;
    clock.start();
    while (labelText() != kTitle && clock.elapsed() < 5000) {
        QTest::qWait(5);
        const QString now = labelText();
        if (now != last) {
            EXPECT_EQ(now.size(), last.size() + 1) << now.toStdString();
            EXPECT_TRUE(kTitle.startsWith(now)) << now.toStdString();
            last = now;
        }
    }
    EXPECT_EQ(labelText(), kTitle);
    // About 14 ticks of 70 ms: not all at once.
    EXPECT_GE(clock.elapsed(), 13 * 70 - 200);
    QTRY_VERIFY(!form->titleEffectRunning());
    QTest::qWait(300);
    EXPECT_EQ(labelText(), kTitle);
    EXPECT_TRUE(labelLime());
}

TEST_F(StartupTest, OpeningAFileEndsTheTitleEffectForGood)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("p.bmp"), 4, 4);
    start();
    QTRY_VERIFY(!labelText().isEmpty());
    form->openPath(pic);
    form->settleOpen();
    EXPECT_EQ(labelText(), QStringLiteral("p.bmp [1/1]"));
    QTest::qWait(300);
    EXPECT_EQ(labelText(), QStringLiteral("p.bmp [1/1]"));
}

TEST_F(StartupTest, MissingStartLogoShowsTwoRedLinesAndSwitchesTheLogoOff)
{
    seedDefaults();
    removeValue(QStringLiteral("ShowStartLogo"));
    start();
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(labelText(), QStringLiteral("Splash file not exist!") + text::LineBreak
                               + QStringLiteral("\"Show splash\" option will disabled"));
    EXPECT_EQ(regInt(QStringLiteral("ShowStartLogo")), 0);
    EXPECT_FALSE(form->titleEffectRunning());
    EXPECT_TRUE(form->state().nav.CurrentPath.isEmpty());
    finish();

    // The next start runs the title effect instead.
    start();
    EXPECT_FALSE(labelRed());
    QTRY_COMPARE(labelText(), kTitle);
}

TEST_F(StartupTest, ArgumentNamingAMissingFileShowsFileNotExist)
{
    seedDefaults();
    const QString missing = picturePath(QStringLiteral("gone.bmp"));
    start({missing});
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(labelText(), text::FileNotExist);
    EXPECT_EQ(form->state().nav.CurrentPath, missing);
    QTest::qWait(200);
    EXPECT_EQ(labelText(), text::FileNotExist);
}

TEST_F(StartupTest, PictureArgumentOpensDuringCreation)
{
    seedDefaults(3);
    writeBmp(QStringLiteral("other.bmp"), 5, 5);
    const QString pic = writeBmp(QStringLiteral("arg.bmp"), 30, 20);
    start({pic}, false);
    // Not shown yet, and already open.
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(form->picture()->hasPicture());
    EXPECT_EQ(pictureGeometry().size(), QSize(30, 20));
    EXPECT_EQ(form->state().nav.count(), 2);
    EXPECT_TRUE(labelText().startsWith(QStringLiteral("arg.bmp [")));
    EXPECT_TRUE(labelLime());
}

TEST_F(StartupTest, SkinPackageArgumentInAnyCaseGoesToTheSkinLoader)
{
    seedDefaults();
    const QString skin = writeText(QStringLiteral("Night.VxSkin"), QByteArray("not really a zip"));
    start({skin});
    // Installed into the skins folder; nothing is opened and the title runs.
    EXPECT_TRUE(QFileInfo::exists(programFolder + QStringLiteral("Data/Skins/Night.VxSkin")));
    EXPECT_TRUE(form->state().nav.CurrentPath.isEmpty());
    EXPECT_FALSE(form->picture()->hasPicture());
    EXPECT_FALSE(labelRed());
    EXPECT_TRUE(messages.isEmpty());
    QTRY_COMPARE(labelText(), kTitle);
}

TEST_F(StartupTest, StartLogoAndMovieArgumentsOpenOnlyAtTheFirstShow)
{
    seedDefaults();
    seedInt(QStringLiteral("ShowStartLogo"), 1);
    // The start logo is a movie in the program folder itself.
    writeSwf(QStringLiteral("logo.swf"));
    ASSERT_TRUE(QFile::copy(picturePath(QStringLiteral("logo.swf")), programFolder + QStringLiteral("Vextrel Viewer Flash.swf")));
    start({}, false);
    EXPECT_EQ(form->state().nav.CurrentPath, programFolder + QStringLiteral("Vextrel Viewer Flash.swf"));
    EXPECT_TRUE(form->navButtonPanel()->isHidden());
    EXPECT_EQ(form->state().nav.count(), 0);
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_FALSE(form->navButtonPanel()->isHidden());
    // The list is the program folder's.
    EXPECT_EQ(form->state().nav.FolderFileList, QStringList{form->state().nav.CurrentPath});
    EXPECT_EQ(form->state().nav.CurrentIndex, 1);
    EXPECT_EQ(labelText(), QStringLiteral("Vextrel Viewer Flash.swf [1/1]"));
    finish();

    const QString movie = writeSwf(QStringLiteral("arg.swf"));
    start({movie}, false);
    EXPECT_TRUE(form->navButtonPanel()->isHidden());
    EXPECT_TRUE(labelText().isEmpty());
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    EXPECT_FALSE(form->navButtonPanel()->isHidden());
    EXPECT_TRUE(labelText().startsWith(QStringLiteral("arg.swf [")));
}

TEST_F(StartupTest, HiddenNameLabelStaysHiddenForMessagesAndThePictureIsStillEmptied)
{
    seedDefaults(3);
    seedInt(QStringLiteral("CurrentFileNameLabelVisible"), 0);
    const QString pic = writeBmp(QStringLiteral("v.bmp"), 12, 12);
    start({pic});
    EXPECT_FALSE(form->nameLabel()->isVisible());
    EXPECT_EQ(pictureGeometry().size(), QSize(12, 12));
    form->openPath(picturePath(QStringLiteral("missing.bmp")));
    form->settleOpen();
    EXPECT_FALSE(form->nameLabel()->isVisible());
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(pictureGeometry().size(), QSize(0, 0));
    EXPECT_FALSE(form->picture()->hasPicture());
}

TEST_F(StartupTest, PictureArgumentOfAFullScreenStartIsFittedToTheScreen)
{
    seedDefaults(3);
    seedInt(QStringLiteral("FullScreen"), 1);
    seedText(QStringLiteral("BackColor"), QStringLiteral("$000000FF"));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString big = writeBmp(QStringLiteral("huge.bmp"), screen.width() * 2, screen.height());
    start({big});
    EXPECT_TRUE(form->fullScreen());
    EXPECT_EQ(area(), screen.size());
    EXPECT_EQ(pictureGeometry(), QRect(QPoint(0, 0), screen.size()));
    EXPECT_TRUE(form->picture()->proportional());
    EXPECT_EQ(form->picture()->pictureRect().size(), QSize(screen.width(), screen.height() / 2));
    // The colour text $000000FF is red, as clRed.
    EXPECT_EQ(form->scrollBox()->palette().color(QPalette::Window), QColor(255, 0, 0));
}

TEST_F(StartupTest, AStartFileDecodedBeforeTheWindowEndsAsOneOpenedByTheWindow)
{
    seedDefaults(3);
    const QString good = writeBmp(QStringLiteral("good.bmp"), 30, 20);
    const QString broken = writeText(QStringLiteral("broken.bmp"), QByteArray("BM not a bitmap"));
    const QString second = writeBmp(QStringLiteral("second.bmp"), 12, 7);
    for (const QString& path : {good, broken}) {
        struct End {
            QString label;
            bool red = false;
            QRect picture;
            int count = 0;
            QString afterSecond;
            QRect secondPicture;
        };
        End ends[2];
        for (bool early : {false, true}) {
            SCOPED_TRACE(early);
            decodeAtStart = early;
            start({path});
            form->settleOpen();
            End& end = ends[early];
            end = {labelText(), labelRed(), pictureGeometry(), form->state().nav.count(), {}, {}};
            // A file opened later goes its usual way.
            form->openPath(second);
            form->settleOpen();
            end.afterSecond = labelText();
            end.secondPicture = pictureGeometry();
            dialogs.reset();
            form.reset();
        }
        EXPECT_EQ(ends[1].label, ends[0].label);
        EXPECT_EQ(ends[1].red, ends[0].red);
        EXPECT_EQ(ends[1].picture, ends[0].picture);
        EXPECT_EQ(ends[1].count, ends[0].count);
        EXPECT_EQ(ends[1].afterSecond, ends[0].afterSecond);
        EXPECT_EQ(ends[1].secondPicture, ends[0].secondPicture);
        EXPECT_EQ(ends[1].red, path == broken);
    }
}

TEST_F(StartupTest, WorkAfterTheNextPaintWaitsForThePaintOrItsFallbackAndRunsOnce)
{
    seedDefaults();
    start({}, false);
    for (const bool shown : {true, false}) {
        SCOPED_TRACE(shown);
        int runs = 0;
        QWidget widget;
        vx::runAfterNextPaint(&widget, [&] { ++runs; }, 300);
        QCoreApplication::processEvents();
        EXPECT_EQ(runs, 0) << "not before a paint";
        if (shown) {
            widget.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
            QTest::qWait(50);
            EXPECT_EQ(runs, 1) << "right after the paint";
            widget.repaint();
        }
        QTest::qWait(400);  // past the fallback
        EXPECT_EQ(runs, 1);
    }
}
