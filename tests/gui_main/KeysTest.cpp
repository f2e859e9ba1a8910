// The key table, the wheel and the four hot keys, also inside the rename
// dialog.
#include "MainWindowFixture.h"

#include "app/KeyTable.h"

#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"
#include "viewer/ui/RenameFileForm.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTimer>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

using KeysTest = MainWindowTest;

namespace {

void wheel(QWidget* target, int delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWheelEvent event(QPointF(20, 20), QPointF(target->mapToGlobal(QPoint(20, 20))), QPoint(), QPoint(0, delta),
                      Qt::NoButton, modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

}  // namespace

class KeysFolderTest : public MainWindowTest {
protected:
    // Four pictures of different widths; the list order is the folder's.
    void startInFolder()
    {
        seedDefaults(3);
        for (int i = 1; i <= 4; ++i)
            writeBmp(QStringLiteral("k%1.bmp").arg(i), 10 * i, 10);
        start({picturePath(QStringLiteral("k1.bmp"))});
        list = form->state().nav.FolderFileList;
        ASSERT_EQ(list.size(), 4);
        form->openPath(list[1]);
        form->settleOpen();
        ASSERT_EQ(form->state().nav.CurrentIndex, 2);
    }
    int index() const { return form->state().nav.CurrentIndex; }
    QStringList list;
};

TEST_F(KeysFolderTest, SpacePageKeysBackspaceHomeAndEndMoveWithoutWrapping)
{
    startInFolder();
    key(Qt::Key_Space);
    EXPECT_EQ(index(), 3);
    key(Qt::Key_Space, Qt::ShiftModifier);
    EXPECT_EQ(index(), 4);
    const QString lastLabel = labelText();
    key(Qt::Key_PageDown);
    EXPECT_EQ(index(), 4);
    EXPECT_EQ(labelText(), lastLabel);
    key(Qt::Key_Backspace);
    EXPECT_EQ(index(), 3);
    key(Qt::Key_PageUp);
    EXPECT_EQ(index(), 2);
    key(Qt::Key_Home);
    EXPECT_EQ(index(), 1);
    EXPECT_EQ(form->state().nav.CurrentPath, list[0]);
    EXPECT_TRUE(labelText().endsWith(QStringLiteral("[1/4]")));
    key(Qt::Key_PageUp);
    EXPECT_EQ(index(), 1);
    // Home on the first file opens it again (the zoom is gone).
    key(Qt::Key_Plus, Qt::KeypadModifier);
    const QSize natural = form->picture()->pictureSize();
    key(Qt::Key_Home);
    EXPECT_EQ(pictureGeometry().size(), natural);
    key(Qt::Key_End);
    EXPECT_EQ(index(), 4);
    EXPECT_EQ(form->state().nav.CurrentPath, list[3]);
}

TEST_F(KeysFolderTest, WheelStepsThroughTheListAndStopsAtBothEnds)
{
    startInFolder();
    QWidget* viewport = form->scrollBox()->viewport();
    wheel(viewport, 120);
    EXPECT_EQ(index(), 1);
    wheel(viewport, 120);
    EXPECT_EQ(index(), 1);
    wheel(viewport, -120, Qt::ShiftModifier);
    EXPECT_EQ(index(), 2);
    key(Qt::Key_End);
    wheel(form->picture(), -120);
    EXPECT_EQ(index(), 4);
    EXPECT_EQ(form->state().nav.CurrentPath, list[3]);
}

TEST_F(KeysFolderTest, WheelStepsOnceForEachWholeNotchOfSmallMovements)
{
    startInFolder();
    QWidget* viewport = form->scrollBox()->viewport();
    // A touchpad's small movements: one file per 120 units, not per event.
    wheel(viewport, -40);
    wheel(viewport, -40);
    EXPECT_EQ(index(), 2);
    wheel(viewport, -40);
    EXPECT_EQ(index(), 3);
    // A turn back drops the rest of the other direction.
    wheel(viewport, -100);
    wheel(viewport, 60);
    wheel(viewport, 60);
    EXPECT_EQ(index(), 2);
    // Two notches at once move two files.
    wheel(viewport, -240);
    EXPECT_EQ(index(), 4);
}

TEST_F(KeysFolderTest, MovieIgnoresSpaceAndBackspaceButNotPageKeysOrWheel)
{
    seedDefaults(3);
    writeBmp(QStringLiteral("m1.bmp"), 10, 10);
    writeBmp(QStringLiteral("m2.bmp"), 10, 10);
    const QString movie = writeSwf(QStringLiteral("movie.swf"));
    start({movie});
    QTRY_VERIFY(!form->navButtonPanel()->isHidden());
    const int at = index();
    ASSERT_GE(at, 1);
    key(Qt::Key_Space);
    key(Qt::Key_Backspace);
    EXPECT_EQ(form->state().nav.CurrentPath, movie);
    // Nothing turns a movie, and it stays shown.
    key(Qt::Key_L);
    EXPECT_FALSE(labelRed());
    EXPECT_FALSE(form->navButtonPanel()->isHidden());
    if (at < 3) {
        key(Qt::Key_PageDown);
        EXPECT_EQ(index(), at + 1);
    } else {
        key(Qt::Key_PageUp);
        EXPECT_EQ(index(), at - 1);
    }
    EXPECT_TRUE(form->navButtonPanel()->isHidden());

    // Back to the movie with the wheel.
    form->openPath(movie);
    form->settleOpen();
    wheel(form->scrollBox()->viewport(), at < 3 ? -120 : 120);
    EXPECT_NE(form->state().nav.CurrentPath, movie);
}

TEST_F(KeysFolderTest, F12OnlyActsOnMoviesAndArrowsScrollTheView)
{
    seedDefaults(3);
    const QString big = writeBmp(QStringLiteral("scroll.bmp"), 1500, 1200);
    start({big});
    key(Qt::Key_F12);
    EXPECT_TRUE(form->navButtonPanel()->isHidden());
    QScrollBar* v = form->scrollBox()->verticalScrollBar();
    QScrollBar* h = form->scrollBox()->horizontalScrollBar();
    QTRY_VERIFY(v->maximum() > 0);
    key(Qt::Key_Down);
    EXPECT_EQ(v->value(), v->singleStep());
    key(Qt::Key_Up);
    EXPECT_EQ(v->value(), 0);
    key(Qt::Key_Right);
    EXPECT_EQ(h->value(), h->singleStep());
    key(Qt::Key_Left);
    EXPECT_EQ(h->value(), 0);
}

TEST_F(KeysTest, EscClosesTheActiveMainWindowAndStoresItsGeometry)
{
    seedDefaults();
    start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    key(Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(regInt(QStringLiteral("FormWidth")), 606);
    EXPECT_EQ(regInt(QStringLiteral("FormLeft")), 50);
}

TEST_F(KeysTest, EscInsideTheRenameDialogPressesCancel)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("keep.bmp"), 5, 5);
    start({pic});
    bool cancelled = false;
    whenRenameShown([&](vx::RenameFileForm* dlg) {
        dlg->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dlg));
        dlg->NewNameEdit->setText(QStringLiteral("changed"));
        QObject::connect(dlg->CancelButton, &QPushButton::clicked, [&] { cancelled = true; });
        QTest::keyClick(dlg->NewNameEdit, Qt::Key_Escape);
        // The main window stays open: Esc belonged to the dialog.
    });
    key(Qt::Key_F2);
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(QFileInfo::exists(pic));
    EXPECT_FALSE(QFileInfo::exists(picturePath(QStringLiteral("changed.bmp"))));
    EXPECT_EQ(form->state().nav.CurrentPath, pic);
}

TEST_F(KeysTest, CtrlKeysInsideTheRenameFieldsCopyTheFileAndKeepTheCaret)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("copy me.bmp"), 5, 5);
    start({pic});
    QApplication::clipboard()->setText(QStringLiteral("before"));
    int caretAfterLeft = -1, caretAfterRight = -1;
    whenRenameShown([&](vx::RenameFileForm* dlg) {
        QLineEdit* edit = dlg->NewNameEdit;
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
        edit->setCursorPosition(4);
        QTest::keyClick(edit, Qt::Key_Left, Qt::ControlModifier);
        caretAfterLeft = edit->cursorPosition();
        QTest::keyClick(edit, Qt::Key_Right, Qt::ControlModifier);
        caretAfterRight = edit->cursorPosition();
        dlg->CancelButton->click();
    });
    key(Qt::Key_F2);
    EXPECT_EQ(caretAfterLeft, 4);
    EXPECT_EQ(caretAfterRight, 4);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    ASSERT_TRUE(mime->hasUrls());
    EXPECT_EQ(mime->urls(), QList<QUrl>{QUrl::fromLocalFile(pic)});
    EXPECT_EQ(mime->data(QStringLiteral("x-special/gnome-copied-files")),
              QByteArray("copy\n") + QUrl::fromLocalFile(pic).toEncoded());
    EXPECT_NE(mime->text(), QStringLiteral("copy me"));
}

TEST_F(KeysTest, CtrlCInTheMainWindowCopiesOnlyAnExistingFile)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("c.bmp"), 5, 5);
    start({pic});
    QApplication::clipboard()->setText(QStringLiteral("before"));
    key(Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasUrls());
    EXPECT_EQ(QApplication::clipboard()->mimeData()->urls().value(0).toLocalFile(), pic);

    QFile::remove(pic);
    QApplication::clipboard()->setText(QStringLiteral("after"));
    key(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("after"));
}

TEST_F(KeysTest, EscDoesNothingWhileTheDeleteQuestionIsOpen)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("ask.bmp"), 5, 5);
    start({pic});
    form->confirmDelete = nullptr;  // the real question box
    bool boxStayed = false, mainStayed = false;
    QTimer::singleShot(0, form.get(), [&] {
        QTRY_VERIFY(qobject_cast<QMessageBox*>(QApplication::activeModalWidget()));
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        box->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(box));
        QTest::keyClick(box, Qt::Key_Escape);
        QTest::qWait(20);
        boxStayed = box->isVisible();
        mainStayed = form->isVisible();
        box->button(QMessageBox::Cancel)->click();
    });
    key(Qt::Key_Delete);
    EXPECT_TRUE(boxStayed);
    EXPECT_TRUE(mainStayed);
    EXPECT_TRUE(QFileInfo::exists(pic));
    EXPECT_TRUE(labelLime());
}

TEST_F(KeysFolderTest, KeysReachTheWindowWhenTheMovieHasTheFocus)
{
    seedDefaults(3);
    writeBmp(QStringLiteral("f1.bmp"), 10, 10);
    writeBmp(QStringLiteral("f2.bmp"), 10, 10);
    const QString movie = writeSwf(QStringLiteral("focus.swf"));
    start({movie});
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QWidget* flash = child("ShockwaveFlash");
    ASSERT_NE(flash, nullptr);
    QTRY_VERIFY(flash->isVisible());
    // A click on the movie gives it the keyboard focus.
    QTest::mouseClick(flash, Qt::LeftButton, {}, QPoint(10, 10));
    flash->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), flash);
    const int at = index();
    QTest::keyClick(flash, at < 3 ? Qt::Key_PageDown : Qt::Key_PageUp);
    EXPECT_EQ(index(), at < 3 ? at + 1 : at - 1);
}

TEST_F(KeysTest, HomeAndEndWithoutAFileDoNothingAndTheCloseButtonEndsTheProgram)
{
    seedDefaults();
    start();
    key(Qt::Key_Home);
    key(Qt::Key_End);
    key(Qt::Key_Space);
    EXPECT_TRUE(form->state().nav.CurrentPath.isEmpty());
    EXPECT_FALSE(labelRed());
    EXPECT_TRUE(form->titleEffectRunning());

    form->move(120, 90);
    QTRY_COMPARE(form->pos(), QPoint(120, 90));
    QTest::mouseClick(form->button(vx::kBtnClose), Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(regInt(QStringLiteral("FormLeft")), 120);
    EXPECT_EQ(regInt(QStringLiteral("FormTop")), 90);
}

TEST_F(KeysTest, FileStartedByARelativePathIsCopiedWithItsFullPath)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("rel.bmp"), 5, 5);
    struct WorkingFolder {
        const QString saved = QDir::currentPath();
        ~WorkingFolder() { QDir::setCurrent(saved); }
    } restore;
    QDir::setCurrent(QFileInfo(pic).absolutePath());
    start({QStringLiteral("rel.bmp")});
    EXPECT_EQ(labelText(), QStringLiteral("rel.bmp [1/1]"));
    key(Qt::Key_C, Qt::ControlModifier);
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime && mime->hasUrls());
    EXPECT_EQ(mime->urls().value(0).toLocalFile(), QFileInfo(pic).absoluteFilePath());
}

TEST_F(KeysTest, EscClosesTheWindowItWasPressedInAfterFullScreenSwitches)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("full.bmp"), 50, 40);
    start({pic});
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    key(Qt::Key_Return);
    key(Qt::Key_Return);
    key(Qt::Key_Space);
    // The switch re-creates the native window: for a while the platform
    // reports no active window at all.
    QApplication::setActiveWindow(nullptr);
    ASSERT_EQ(QApplication::activeWindow(), nullptr);
    key(Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
}

// Under a Russian layout the L key gives "Д" and C gives "С": the commands
// follow the physical key, as the key's native code tells it.
TEST_F(KeysTest, LettersActByThePhysicalKeyUnderOtherLayouts)
{
    seedDefaults();
    const QString pic = writeBmp(QStringLiteral("ru.bmp"), 60, 20);
    start({pic});
    const auto press = [&](int qtKey, Qt::KeyboardModifiers modifiers, quint32 scanCode, const QString& text) {
        QKeyEvent down(QEvent::KeyPress, qtKey, modifiers, scanCode, 0, 0, text);
        QApplication::sendEvent(form.get(), &down);
        QKeyEvent up(QEvent::KeyRelease, qtKey, modifiers, scanCode, 0, 0, text);
        QApplication::sendEvent(form.get(), &up);
    };
    const QSize before = form->picture()->pictureSize();
    press(0x0414, Qt::NoModifier, 46, QStringLiteral("д"));  // L
    EXPECT_EQ(form->picture()->pictureSize(), before.transposed());
    press(0x041A, Qt::NoModifier, 27, QStringLiteral("к"));  // R
    EXPECT_EQ(form->picture()->pictureSize(), before);

    QApplication::clipboard()->setText(QStringLiteral("before"));
    press(0x0421, Qt::ControlModifier, 54, QString());  // Ctrl+C
    ASSERT_TRUE(QApplication::clipboard()->mimeData()->hasUrls());
    EXPECT_EQ(QApplication::clipboard()->mimeData()->urls().value(0).toLocalFile(), pic);
}

TEST_F(KeysTest, MainKeyboardZoomsAndFitsLikeTheKeypad)
{
    seedDefaults(3);
    const QString pic = writeBmp(QStringLiteral("zoom.bmp"), 80, 60);
    start({pic});
    const QSize natural = pictureGeometry().size();
    key(Qt::Key_Equal);
    const QSize bigger = pictureGeometry().size();
    EXPECT_GT(bigger.width(), natural.width());
    key(Qt::Key_Plus, Qt::ShiftModifier);
    EXPECT_GT(pictureGeometry().width(), bigger.width());
    key(Qt::Key_Minus);
    EXPECT_EQ(pictureGeometry().size(), bigger);
    key(Qt::Key_Plus, Qt::KeypadModifier);
    key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(pictureGeometry().size(), bigger);
    key(Qt::Key_Asterisk, Qt::ShiftModifier);
    EXPECT_EQ(pictureGeometry().size(), natural);
}

// The README's key table and the settings dialog's hot-key grid are the
// key table's rows.
TEST(KeyTable, ReadmeAndHotKeyGridAgreeWithIt)
{
    QFile readme(QDir::cleanPath(QStringLiteral(VX_TEST_DATA "/../../README.md")));
    ASSERT_TRUE(readme.open(QIODevice::ReadOnly));
    QStringList listed;
    for (const QString& line : QString::fromUtf8(readme.readAll()).split(QLatin1Char('\n')))
        if (line.startsWith(QStringLiteral("| <kbd>")))
            listed << line;
    QStringList expected;
    for (const vx::KeyBinding& b : vx::keyTable())
        expected << QStringLiteral("| <kbd>%1</kbd> | %2 | %3 |")
                        .arg(QString::fromLatin1(b.name), vx::keyWhereText(b), vx::keyCommandText(b.command));
    EXPECT_EQ(listed, expected);

    EXPECT_EQ(vx::hotKeyGridKeys(),
              QStringList({"Esc", "Space; PageDown", "Backspace; PageUp", "End", "Home", "Num+", "Num-", "Num*",
                           "Delete", "F1", "F2", "Enter", "F12", "L", "R", "Ctrl+C", "Ctrl+Arrow Left",
                           "Ctrl+Arrow Right", "F4"}));
}
