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
        whenRenameShown([=, this](TRenameFileForm* dlg) {
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
    EXPECT_EQ(form->nav.CurrentPath, renamed);
    EXPECT_EQ(form->nav.count(), 2);
    EXPECT_EQ(form->nav.FolderFileList.value(form->nav.CurrentIndex - 1), renamed);
    EXPECT_EQ(labelText(), QStringLiteral("holiday.jpg [%1/2]").arg(form->nav.CurrentIndex));
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
    EXPECT_EQ(form->nav.CurrentPath, path);

    // A name without a dot: the whole name and no extension.
    renameForm()->FormShow(picturePath(QStringLiteral("README")));
    EXPECT_EQ(renameForm()->NewNameEdit->text(), QStringLiteral("README"));
    EXPECT_EQ(renameForm()->NewExtEdit->text(), QString());
    EXPECT_EQ(renameForm()->newName(), QStringLiteral("README."));
}

TEST_F(RenameTest, ExistingNameRenamesNothingAndShowsThatFile)
{
    seedDefaults(3);
    const QString first = writeBmp(QStringLiteral("first.bmp"), 11, 11);
    const QString second = writeBmp(QStringLiteral("second.bmp"), 22, 22);
    start({first});
    renameTo(QStringLiteral("second"), QStringLiteral("bmp"));
    EXPECT_TRUE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_EQ(QImage(second).size(), QSize(22, 22));
    EXPECT_EQ(QImage(first).size(), QSize(11, 11));
    EXPECT_EQ(form->nav.CurrentPath, second);
    EXPECT_EQ(pictureGeometry().size(), QSize(22, 22));
    EXPECT_TRUE(labelText().startsWith(QStringLiteral("second.bmp [")));
}

TEST_F(RenameTest, EmptyNameOrANameWithASlashKeepsTheFile)
{
    seedDefaults(3);
    const QString path = writeBmp(QStringLiteral("stay.bmp"), 5, 5);
    QDir(picturePath(QString())).mkdir(QStringLiteral("sub"));
    start({path});

    renameTo(QString(), QString());
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(labelRed());

    form->openPath(path);
    renameTo(QStringLiteral("sub/moved"), QStringLiteral("bmp"));
    EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(QFileInfo::exists(picturePath(QStringLiteral("sub/moved.bmp"))));
    // The new path names no file: the open error shows it.
    EXPECT_TRUE(labelRed());
    EXPECT_TRUE(labelText().startsWith(QStringLiteral("Cannot open file: moved.bmp")));
    EXPECT_EQ(form->nav.CurrentIndex, 0);
}

class DeleteTest : public MainWindowTest {
protected:
    void startWithFive()
    {
        seedDefaults(3);
        for (int i = 1; i <= 5; ++i)
            writeBmp(QStringLiteral("d%1.bmp").arg(i), 10 + i, 10);
        start({picturePath(QStringLiteral("d1.bmp"))});
        list = form->nav.FolderFileList;
        ASSERT_EQ(list.size(), 5);
    }
    void openEntry(int index)
    {
        form->openPath(list[index - 1]);
        ASSERT_EQ(form->nav.CurrentIndex, index);
    }
    QStringList list;
};

TEST_F(DeleteTest, ThirdOfFiveShowsTheFollowingFileAtTheSamePlace)
{
    startWithFive();
    openEntry(3);
    key(Qt::Key_Delete);
    ASSERT_EQ(deleteQuestions.size(), 1);
    EXPECT_EQ(deleteQuestions[0], QStringLiteral("Delete file: ") + text::LineBreak + list[2] + QStringLiteral(" ?"));
    EXPECT_FALSE(QFileInfo::exists(list[2]));
    EXPECT_EQ(form->nav.CurrentIndex, 3);
    EXPECT_EQ(form->nav.count(), 4);
    EXPECT_EQ(form->nav.CurrentPath, list[3]);
    EXPECT_EQ(labelText(), QFileInfo(list[3]).fileName() + QStringLiteral(" [3/4]"));
    EXPECT_EQ(pictureGeometry().size(), QImage(list[3]).size());
}

TEST_F(DeleteTest, LastOfFiveShowsTheNewLastFile)
{
    startWithFive();
    openEntry(5);
    key(Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(list[4]));
    EXPECT_EQ(form->nav.CurrentIndex, 4);
    EXPECT_EQ(form->nav.CurrentPath, list[3]);
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
    EXPECT_EQ(form->nav.count(), 5);
    EXPECT_EQ(form->nav.CurrentPath, list[1]);

    answerDelete = true;
    ASSERT_TRUE(QFile::setPermissions(list[1], QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther));
    key(Qt::Key_Delete);
    EXPECT_FALSE(QFileInfo::exists(list[1]));
    EXPECT_EQ(form->nav.count(), 4);
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
    EXPECT_EQ(form->nav.count(), 5);
    EXPECT_EQ(form->nav.CurrentIndex, 4);
    EXPECT_EQ(form->nav.CurrentPath, list[3]);
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
    EXPECT_EQ(form->nav.count(), 0);
    // Nothing is open now.
    key(Qt::Key_Delete);
    EXPECT_EQ(labelText(), text::NothingIsOpen);
    EXPECT_EQ(deleteQuestions.size(), 1);
}
