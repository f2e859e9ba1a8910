// Opening a file: the name label, the red messages, icons, full-screen fit
// and what the commands answer after a failed open.
#include "MainWindowFixture.h"

#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"
#include "viewer/ui/RenameFileForm.h"

#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <fcntl.h>
#include <unistd.h>

using OpeningTest = MainWindowTest;

namespace {

// Drags paths over the window and drops them; the drop action the window
// answers is returned.
Qt::DropAction dropFiles(QWidget* target, const QStringList& paths,
                         Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction,
                         Qt::DropAction proposed = Qt::CopyAction)
{
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths)
        urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    // The window takes the drag first, as a drag over it would.
    QDragEnterEvent enter(QPoint(100, 100), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.setDropAction(proposed);
    QCoreApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(100, 100), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    drop.setDropAction(proposed);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

}  // namespace

TEST_F(OpeningTest, LabelIsLimeWithPositionForAPictureAndRedForErrors)
{
    seedDefaults();
    const QString good = writeBmp(QStringLiteral("good.bmp"), 8, 8);
    // A PNG file whose name says JPEG.
    QImage png(6, 6, QImage::Format_RGB32);
    png.fill(Qt::blue);
    const QString wrong = writeImage(QStringLiteral("wrong.jpg"), png, "PNG");
    start({good});
    EXPECT_TRUE(labelLime());
    ASSERT_EQ(form->state().nav.count(), 2);
    EXPECT_EQ(labelText(), QStringLiteral("good.bmp [%1/2]").arg(form->state().nav.CurrentIndex));

    form->openPath(wrong);
    form->settleOpen();
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(labelText(), QStringLiteral("Cannot open file: wrong.jpg") + text::LineBreak
                               + QStringLiteral("This file seems to have uncorrect extension"));
    EXPECT_FALSE(form->picture()->hasPicture());
    EXPECT_EQ(pictureGeometry().size(), QSize(0, 0));
    // The failed file keeps its place in the list.
    EXPECT_EQ(form->state().nav.CurrentPath, wrong);
    EXPECT_GE(form->state().nav.CurrentIndex, 1);
}

TEST_F(OpeningTest, DroppedTextFileNamesItsExtensionAsWritten)
{
    seedDefaults();
    start();
    const QString notes = writeText(QStringLiteral("notes.TXT"), "hello");
    EXPECT_EQ(dropFiles(form.get(), {notes}), Qt::CopyAction);
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(labelText(), QStringLiteral("Unknown file extension: .TXT"));
    EXPECT_EQ(form->state().nav.CurrentPath, notes);
    EXPECT_EQ(form->state().nav.CurrentIndex, 0);
}

TEST_F(OpeningTest, DropOfThreeFilesOpensOnlyTheFirst)
{
    seedDefaults(3);
    start();
    const QString a = writeBmp(QStringLiteral("drop-a.bmp"), 11, 7);
    const QString b = writeBmp(QStringLiteral("drop-b.bmp"), 12, 7);
    const QString c = writeBmp(QStringLiteral("drop-c.bmp"), 13, 7);
    EXPECT_EQ(dropFiles(form.get(), {b, a, c}), Qt::CopyAction);
    EXPECT_EQ(form->state().nav.CurrentPath, b);
    EXPECT_EQ(pictureGeometry().size(), QSize(12, 7));
    EXPECT_TRUE(labelText().startsWith(QStringLiteral("drop-b.bmp [")));
    EXPECT_EQ(form->state().nav.count(), 3);
}

TEST_F(OpeningTest, OnePixelPictureAtOriginalSizeIsCentred)
{
    seedDefaults(3);
    const QString dot = writeBmp(QStringLiteral("dot.bmp"), 1, 1);
    start();
    arrangeArea(QSize(600, 400));
    form->openPath(dot);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry(), QRect(300, 200, 1, 1));
    EXPECT_TRUE(labelLime());
}

TEST_F(OpeningTest, IconIsShownAtThirtyTwoPixelsInEveryMode)
{
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(QColor(10, 200, 10));
    const QString ico = writeImage(QStringLiteral("app.ico"), icon, "ICO");
    for (int mode : {1, 2, 3}) {
        SCOPED_TRACE(mode);
        seedDefaults(mode);
        start();
        form->openPath(ico);
        form->settleOpen();
        EXPECT_TRUE(labelLime()) << labelText().toStdString();
        EXPECT_EQ(pictureGeometry().size(), QSize(32, 32));
        EXPECT_EQ(form->state().natural.width(), 32);
        EXPECT_EQ(form->state().natural.height(), 32);
        // Centred in the picture area.
        EXPECT_EQ(pictureGeometry().topLeft(), QPoint(area().width() / 2 - 16, area().height() / 2 - 16));
        finish();
    }
}

TEST_F(OpeningTest, FullScreenFitsABigPictureAndCentresASmallOne)
{
    seedDefaults(3);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QString big = writeBmp(QStringLiteral("big.bmp"), screen.width() + 200, screen.height() + 100);
    const QString small = writeBmp(QStringLiteral("small.bmp"), 100, 50);
    start({big});
    key(Qt::Key_Return);
    ASSERT_TRUE(form->fullScreen());
    QTRY_COMPARE(area(), screen.size());
    // Drawn scaled into the whole area, keeping its proportions, centred.
    EXPECT_EQ(pictureGeometry(), QRect(QPoint(0, 0), screen.size()));
    EXPECT_TRUE(form->picture()->proportional());
    EXPECT_TRUE(form->picture()->centre());
    const QRect drawn = form->picture()->pictureRect();
    EXPECT_TRUE(drawn.width() == screen.width() || drawn.height() == screen.height());
    EXPECT_EQ(drawn.x(), (screen.width() - drawn.width()) / 2);
    EXPECT_EQ(drawn.y(), (screen.height() - drawn.height()) / 2);

    form->openPath(small);
    form->settleOpen();
    EXPECT_EQ(pictureGeometry(), QRect(screen.width() / 2 - 50, screen.height() / 2 - 25, 100, 50));
    EXPECT_FALSE(form->picture()->proportional());
}

TEST_F(OpeningTest, AfterAnOpenErrorCommandsSayNothingIsOpenAndNavigationWorks)
{
    seedDefaults(3);
    writeText(QStringLiteral("a-broken.bmp"), "BM not a bitmap");
    writeBmp(QStringLiteral("b-fine.bmp"), 9, 9);
    writeBmp(QStringLiteral("c-fine.bmp"), 9, 9);
    start({picturePath(QStringLiteral("b-fine.bmp"))});
    const QStringList list = form->state().nav.FolderFileList;
    ASSERT_EQ(list.size(), 3);
    const int broken = int(list.indexOf(picturePath(QStringLiteral("a-broken.bmp")))) + 1;
    form->openPath(list[broken - 1]);
    form->settleOpen();
    ASSERT_TRUE(labelRed());
    const QString openError = labelText();
    EXPECT_TRUE(openError.startsWith(QStringLiteral("Cannot open file: a-broken.bmp")));

    // Rotate, rename, delete and save.
    for (int k : {int(Qt::Key_L), int(Qt::Key_R), int(Qt::Key_F2), int(Qt::Key_Delete)}) {
        form->OpenCurrentFile();
        form->settleOpen();
        key(k);
        EXPECT_EQ(labelText(), text::NothingIsOpen) << k;
        EXPECT_TRUE(labelRed());
    }
    EXPECT_TRUE(deleteQuestions.isEmpty());
    EXPECT_FALSE(renameForm()->isVisible());
    form->OpenCurrentFile();
    form->settleOpen();
    form->btnSaveClick();
    EXPECT_EQ(labelText(), text::NothingIsOpen);
    form->OpenCurrentFile();
    form->settleOpen();
    key(Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(labelText(), text::NothingIsOpen);

    // Navigation goes on from the failed file's place.
    if (broken < 3) {
        key(Qt::Key_PageDown);
        EXPECT_EQ(form->state().nav.CurrentIndex, broken + 1);
    } else {
        key(Qt::Key_PageUp);
        EXPECT_EQ(form->state().nav.CurrentIndex, broken - 1);
    }
    EXPECT_TRUE(labelLime());
    EXPECT_EQ(pictureGeometry().size(), QSize(9, 9));
}

TEST_F(OpeningTest, PictureOpenedAfterAMovieHidesTheTransportPanel)
{
    seedDefaults(3);
    const QString movie = writeSwf(QStringLiteral("clip.swf"));
    const QString pic = writeBmp(QStringLiteral("still.bmp"), 20, 10);
    start({movie});
    QTRY_VERIFY(!form->navButtonPanel()->isHidden());
    EXPECT_EQ(form->CurrentExtension(), QStringLiteral("SWF"));
    form->openPath(pic);
    form->settleOpen();
    EXPECT_TRUE(form->navButtonPanel()->isHidden());
    EXPECT_EQ(pictureGeometry().size(), QSize(20, 10));
}

TEST_F(OpeningTest, OpenButtonOpensTheChosenFileOrSaysItDoesNotExist)
{
    seedDefaults(3);
    const QString pic = writeBmp(QStringLiteral("chosen.bmp"), 14, 9);
    start();
    QString answer = picturePath(QStringLiteral("vanished.bmp"));
    form->chooseOpenFile = [&] { return answer; };
    QWidget* open = form->button(vx::kBtnOpen);
    QTest::mouseClick(open, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(labelText(), text::FileNotExist);
    EXPECT_FALSE(form->titleEffectRunning());
    EXPECT_TRUE(form->state().nav.CurrentPath.isEmpty());

    answer = pic;
    QTest::mouseClick(open, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(labelText(), QStringLiteral("chosen.bmp [1/1]"));
    EXPECT_EQ(pictureGeometry().size(), QSize(14, 9));

    // Cancel changes nothing.
    answer.clear();
    QTest::mouseClick(open, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(form->state().nav.CurrentPath, pic);
    EXPECT_TRUE(labelLime());
}

TEST_F(OpeningTest, DroppedFilesAreTakenAsCopiesNeverAsMoved)
{
    seedDefaults(3);
    start();
    const QString pic = writeBmp(QStringLiteral("kept.bmp"), 6, 6);
    // With Shift held the source proposes a move: the window answers copy.
    EXPECT_EQ(dropFiles(form.get(), {pic}, Qt::CopyAction | Qt::MoveAction, Qt::MoveAction), Qt::CopyAction);
    EXPECT_EQ(form->state().nav.CurrentPath, pic);
    // A source that can only move is told nothing was taken; the file shows.
    form->ShowLabelError(QStringLiteral("x"));
    EXPECT_EQ(dropFiles(form.get(), {pic}, Qt::MoveAction, Qt::MoveAction), Qt::IgnoreAction);
    EXPECT_TRUE(labelLime());
    EXPECT_EQ(pictureGeometry().size(), QSize(6, 6));
}

// A file whose name is not UTF-8 is listed, opened and shown by name, with
// replacement characters only where the name can't be read.
TEST_F(OpeningTest, NameThatIsNotUtf8OpensFromTheFolderList)
{
    seedDefaults(3);
    const QString plain = writeBmp(QStringLiteral("plain.bmp"), 30, 20);
    QFile source(plain);
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    const QByteArray raw = QFile::encodeName(picturePath(QString())) + QByteArray("caf\xe9.bmp");
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(fd);

    start({plain});
    ASSERT_EQ(form->state().nav.count(), 2);
    key(Qt::Key_Home);
    EXPECT_EQ(labelText(), QStringLiteral("caf\uFFFD.bmp [1/2]"));
    EXPECT_FALSE(labelRed());
    EXPECT_EQ(pictureGeometry().size(), QSize(30, 20));
}
