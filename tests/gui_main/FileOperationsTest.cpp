// Rename (F2) and delete (Delete) of the current file.
#include "MainWindowFixture.h"

#include "viewer/ui/PictureControl.h"
#include "viewer/ui/RenameFileForm.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace vx;

class RenameTest : public MainWindowTest {
protected:
    // Shows the dialog with F2, records its fields, types the new ones and
    // confirms with Enter in the extension field (or cancels).
    void renameTo(const QString& name, const QString& ext, bool confirm = true)
    {
        shownName.clear();
        shownExt.clear();
        whenRenameShown([=, this](RenameFileForm* dlg) {
            shownName = dlg->NewNameEdit->text();
            shownExt = dlg->NewExtEdit->text();
            nameHadFocus = dlg->NewNameEdit->hasFocus() || QApplication::focusWidget() == dlg->NewNameEdit;
            dlg->NewNameEdit->setText(name);
            dlg->NewExtEdit->setText(ext);
            if (confirm)
                QTest::keyClick(dlg->NewExtEdit, Qt::Key_Return);
            else
                dlg->CancelButton->click();
        });
        key(Qt::Key_F2);
        ASSERT_FALSE(renameForm()->isVisible());
    }
    QString shownName, shownExt;
    bool nameHadFocus = false;
};

TEST_F(RenameTest, NewNameAndExtensionRenameInPlaceAndShowTheFile)
{
    seedDefaults(3);
    QImage photo(40, 30, QImage::Format_RGB888);
    photo.fill(Qt::darkGreen);
    const QString path = writeImage(QStringLiteral("photo.jpeg"), photo, "JPEG");
    writeBmp(QStringLiteral("other.bmp"), 5, 5);
    start({path});
    renameTo(QStringLiteral("holiday"), QStringLiteral("jpg"));
    EXPECT_EQ(shownName, QStringLiteral("photo"));
    EXPECT_EQ(shownExt, QStringLiteral("jpeg"));
    EXPECT_TRUE(nameHadFocus);
    const QString renamed = picturePath(QStringLiteral("holiday.jpg"));
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(QFileInfo::exists(renamed));
    EXPECT_EQ(form->state().nav.CurrentPath, renamed);
    EXPECT_EQ(form->state().nav.count(), 2);
    EXPECT_EQ(form->state().nav.FolderFileList.value(form->state().nav.CurrentIndex - 1), renamed);
    EXPECT_EQ(labelText(), QStringLiteral("holiday.jpg [%1/2]").arg(form->state().nav.CurrentIndex));
    EXPECT_TRUE(labelLime());
    EXPECT_EQ(pictureGeometry().size(), QSize(40, 30));
}

TEST_F(RenameTest, FieldsSplitAtTheLastDot)
{
    seedDefaults();
    const QString path = writeBmp(QStringLiteral("a.b.c.bmp"), 5, 5);
    start({path});
    renameTo(QString(), QString(), false);
    EXPECT_EQ(shownName, QStringLiteral("a.b.c"));
    EXPECT_EQ(shownExt, QStringLiteral("bmp"));
    // Cancel keeps everything.
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(form->state().nav.CurrentPath, path);

    // A name without a dot: the whole name and no extension.
    renameForm()->FormShow(picturePath(QStringLiteral("README")));
    EXPECT_EQ(renameForm()->NewNameEdit->text(), QStringLiteral("README"));
    EXPECT_EQ(renameForm()->NewExtEdit->text(), QString());
    EXPECT_EQ(renameForm()->newName(), QStringLiteral("README."));
}

TEST_F(RenameTest, ARefusedRenameSaysWhyAndKeepsTheFileOnScreen)
{
    seedDefaults(3);
    const QString path = writeBmp(QStringLiteral("stay.bmp"), 11, 11);
    const QString other = writeBmp(QStringLiteral("second.bmp"), 22, 22);
    QDir(picturePath(QString())).mkdir(QStringLiteral("sub"));
    start({path});
    struct Case {
        QString name, ext, reason;
    };
    const Case cases[] = {
        {QStringLiteral("second"), QStringLiteral("bmp"), QStringLiteral("A file with this name already exists")},
        {QStringLiteral("sub/moved"), QStringLiteral("bmp"), QStringLiteral("A file name cannot contain \"/\"")},
        {QString(), QString(), QStringLiteral("\".\" and \"..\" cannot be file names")},
        {QStringLiteral("."), QString(), QStringLiteral("\".\" and \"..\" cannot be file names")},
        {QString(300, QLatin1Char('x')), QStringLiteral("bmp"), QStringLiteral("File name too long")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        renameTo(c.name, c.ext);
        EXPECT_EQ(labelText(), QStringLiteral("Cannot rename file: stay.bmp") + text::LineBreak + c.reason);
        EXPECT_TRUE(labelRed());
        EXPECT_TRUE(QFileInfo::exists(path));
        EXPECT_EQ(QImage(other).size(), QSize(22, 22));
        EXPECT_FALSE(QFileInfo::exists(picturePath(QStringLiteral("sub/moved.bmp"))));
        EXPECT_EQ(form->state().nav.CurrentPath, path);
        EXPECT_EQ(pictureGeometry().size(), QSize(11, 11));
    }
    // The file is still the one on screen: the next rename works.
    renameTo(QStringLiteral("moved"), QStringLiteral("bmp"));
    EXPECT_TRUE(QFileInfo::exists(picturePath(QStringLiteral("moved.bmp"))));
    EXPECT_TRUE(labelLime());
}

class DeleteTest : public MainWindowTest {
protected:
    void startWithFive()
    {
        seedDefaults(3);
        for (int i = 1; i <= 5; ++i)
            writeBmp(QStringLiteral("d%1.bmp").arg(i), 10 + i, 10);
        start({picturePath(QStringLiteral("d1.bmp"))});
        list = form->state().nav.FolderFileList;
        ASSERT_EQ(list.size(), 5);
    }
    void openEntry(int index)
    {
        form->openPath(list[index - 1]);
        form->settleOpen();
        ASSERT_EQ(form->state().nav.CurrentIndex, index);
    }
    QStringList list;
};

TEST_F(DeleteTest, ThirdOfFiveShowsTheFollowingFileAtTheSamePlace)
{
    startWithFive();
    openEntry(3);
    key(Qt::Key_Delete);
    ASSERT_EQ(deleteQuestions.size(), 1);
    EXPECT_EQ(deleteQuestions[0], QStringLiteral("Move file to the trash: ") + text::LineBreak + list[2] + QStringLiteral(" ?"));
    EXPECT_FALSE(QFileInfo::exists(list[2]));
    EXPECT_EQ(form->state().nav.CurrentIndex, 3);
    EXPECT_EQ(form->state().nav.count(), 4);
    EXPECT_EQ(form->state().nav.CurrentPath, list[3]);
    EXPECT_EQ(labelText(), QFileInfo(list[3]).fileName() + QStringLiteral(" [3/4]"));
    EXPECT_EQ(pictureGeometry().size(), QImage(list[3]).size());
}

TEST_F(DeleteTest, LastOfFiveShowsTheNewLastFile)
{
    startWithFive();
    openEntry(5);
    key(Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(list[4]));
    EXPECT_EQ(form->state().nav.CurrentIndex, 4);
    EXPECT_EQ(form->state().nav.CurrentPath, list[3]);
    EXPECT_TRUE(labelText().endsWith(QStringLiteral("[4/4]")));
}

TEST_F(DeleteTest, CancelKeepsTheFileAndReadOnlyFilesAreDeleted)
{
    startWithFive();
    openEntry(2);
    answerDelete = false;
    key(Qt::Key_Delete);
    EXPECT_EQ(deleteQuestions.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(list[1]));
    EXPECT_EQ(form->state().nav.count(), 5);
    EXPECT_EQ(form->state().nav.CurrentPath, list[1]);

    answerDelete = true;
    ASSERT_TRUE(QFile::setPermissions(list[1], QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    key(Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(list[1]));
    EXPECT_EQ(form->state().nav.count(), 4);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(DeleteTest, FileThatVanishedIsReportedAndNothingChanges)
{
    startWithFive();
    openEntry(4);
    QFile::remove(list[3]);
    key(Qt::Key_Delete);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0], QStringLiteral("Cannot delete file =("));
    EXPECT_EQ(form->state().nav.count(), 5);
    EXPECT_EQ(form->state().nav.CurrentIndex, 4);
    EXPECT_EQ(form->state().nav.CurrentPath, list[3]);
    EXPECT_TRUE(labelLime());
}

TEST_F(DeleteTest, OnlyFileLeavesTheRedTwoLineMessage)
{
    seedDefaults(3);
    const QString only = writeBmp(QStringLiteral("only.bmp"), 7, 7);
    start({only});
    key(Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(only));
    EXPECT_TRUE(labelRed());
    EXPECT_EQ(labelText(), QStringLiteral("You ERASER for real! =)") + text::LineBreak
                               + QStringLiteral("All images in this folder deleted!"));
    EXPECT_FALSE(form->picture()->hasPicture());
    EXPECT_EQ(pictureGeometry().size(), QSize(0, 0));
    EXPECT_EQ(form->state().nav.count(), 0);
    // Nothing is open now.
    key(Qt::Key_Delete);
    EXPECT_EQ(labelText(), text::NothingIsOpen);
    EXPECT_EQ(deleteQuestions.size(), 1);
}

TEST_F(DeleteTest, TheQuestionSaysWhetherTheFileGoesToTheTrashOrForGood)
{
    startWithFive();
    struct Case {
        bool trashUsable;
        QString question;
    };
    const QString path = list[0];
    const Case cases[] = {
        {true, QStringLiteral("Move file to the trash: ") + text::LineBreak + path + QStringLiteral(" ?")},
        {false, QStringLiteral("Delete file: ") + text::LineBreak + path + QStringLiteral(" ?") + text::LineBreak
                    + QStringLiteral("This folder has no trash: the file will be deleted for good.")},
    };
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    const QString trashFiles = QFile::decodeName(dataHome) + QStringLiteral("/Trash/files/");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trashUsable);
        writeBmp(QFileInfo(path).fileName(), c.trashUsable ? 11 : 12, 10);
        QFile written(path);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        written.close();
        form->openPath(path);
        form->settleOpen();
        // A data folder under a plain file: no trash can be made there.
        const QString blocked = picturePath(QStringLiteral("d1.bmp.blocker"));
        if (!c.trashUsable) {
            writeText(QFileInfo(blocked).fileName(), "a file");
            qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + QStringLiteral("/data")));
        }
        deleteQuestions.clear();
        key(Qt::Key_Delete);
        qputenv("XDG_DATA_HOME", dataHome);
        QFile::remove(blocked);
        ASSERT_EQ(deleteQuestions.size(), 1);
        EXPECT_EQ(deleteQuestions[0], c.question);
        EXPECT_FALSE(QFileInfo::exists(path));
        QFile trashed(trashFiles + QFileInfo(path).fileName());
        const bool inTrash = trashed.open(QIODevice::ReadOnly) && trashed.readAll() == bytes;
        EXPECT_EQ(inTrash, c.trashUsable);
        QFile::remove(trashed.fileName());
        EXPECT_TRUE(messages.isEmpty());
    }
}
