// The save command through the real main window: the dialog it prepares,
// the JPEG options window beside it, the writer chosen by the typed name,
// replacing files, copying movies, and saves that fail.
#include "MediaFixture.h"
#include "app/SaveCommand.h"

#include "export/SaveAs.h"
#include "export/ui/ChangeQualityForm.h"
#include "settings/ViewerSettings.h"
#include "skins/ui/SkinButton.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <csignal>
#include <sys/resource.h>

namespace media {
namespace {

class SaveTest : public MediaTest {
protected:
    void SetUp() override { setSetting(vx::setting::Language, program.languageFile(QStringLiteral("English.lng"))); }

    // Starts the window showing file and answers the save dialog with name
    // and filter index (an empty name cancels).
    void openAndAnswer(const QString& file, const QString& name, int filterIndex)
    {
        start();
        form->openPath(file);
        form->settleOpen();
        ASSERT_FALSE(form->labelIsRed()) << form->nameLabel()->text().toStdString();
        answer(name, filterIndex);
    }
    void answer(const QString& name, int filterIndex)
    {
        form->saveCommand().chooseFile = [this, name, filterIndex](const vx::SaveDialogSetup& setup)
            -> std::optional<vx::SaveCommand::Choice> {
            ++dialogRuns;
            lastSetup = setup;
            if (duringDialog)
                duringDialog();
            if (name.isEmpty())
                return std::nullopt;
            return vx::SaveCommand::Choice{name, filterIndex};
        };
        form->saveCommand().confirmOverwrite = [this](const QString& question) {
            questions << question;
            return replace;
        };
    }
    QString picture(const QString& name = QStringLiteral("view.bmp"), QSize size = QSize(40, 20))
    {
        return writeBmp(path(name), quarterPicture(size.width(), size.height()));
    }
    QStringList folderEntries() const { return QDir(files.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot); }

    int dialogRuns = 0;
    vx::SaveDialogSetup lastSetup;
    std::function<void()> duringDialog;
    QStringList questions;
    bool replace = true;
};

TEST_F(SaveTest, TheDialogProposesTheNameWithoutItsExtension)
{
    const QString jpeg = path(QStringLiteral("holiday.photo.jpeg"));
    ASSERT_TRUE(quarterPicture(32, 16).save(jpeg, "JPEG"));
    openAndAnswer(jpeg, QString(), 1);
    form->btnSaveClick();
    ASSERT_EQ(dialogRuns, 1);
    EXPECT_EQ(lastSetup.kind, vx::SaveDialogKind::Picture);
    EXPECT_EQ(lastSetup.proposedName, QStringLiteral("holiday.photo"));
    EXPECT_EQ(QDir(lastSetup.folder).canonicalPath(), QDir(files.path()).canonicalPath());
    EXPECT_EQ(lastSetup.filterIndex, 1);
    EXPECT_EQ(lastSetup.defaultExtension, QStringLiteral("bmp"));
    ASSERT_EQ(lastSetup.nameFilters.size(), 7);
    EXPECT_TRUE(lastSetup.nameFilters.first().startsWith(QStringLiteral("BMP - Windows Bitmap")));
    EXPECT_EQ(folderEntries(), QStringList{QStringLiteral("holiday.photo.jpeg")});  // cancelled: nothing written
}

TEST_F(SaveTest, TheJpegOptionsWindowIsShownExactlyWhileTheJpegTypeIsChosen)
{
    openAndAnswer(picture(), path(QStringLiteral("small")), 2);
    vx::ChangeQualityForm* quality = dialogs->QualityForm;
    bool shownForJpeg = false, hiddenForBmp = false;
    QRect shownAt;
    duringDialog = [&] {
        form->SaveDialog1TypeChange(2);
        shownForJpeg = quality->isVisible();
        shownAt = quality->frameGeometry();
        form->SaveDialog1TypeChange(1);
        hiddenForBmp = !quality->isVisible();
        form->SaveDialog1TypeChange(2);
    };
    form->btnSaveClick();
    EXPECT_TRUE(shownForJpeg);
    EXPECT_TRUE(hiddenForBmp);
    const QRect area = form->workArea();
    EXPECT_EQ(shownAt.right(), area.right());
    EXPECT_EQ(shownAt.bottom(), area.bottom());
    // The save closes the window and the picture is a JPEG of the name plus ".jpg".
    EXPECT_FALSE(quality->isVisible());
    const QByteArray jpeg = readFile(path(QStringLiteral("small.jpg")));
    ASSERT_GT(jpeg.size(), 2);
    EXPECT_EQ(jpeg.left(2), QByteArray("\xff\xd8"));
}

TEST_F(SaveTest, TheTypedExtensionChoosesTheWriterAndAnyOtherGetsTheTypes)
{
    struct Case {
        const char* typed;
        int filterIndex;
        const char* written;
        QByteArray magic;
    };
    const Case cases[] = {
        {"out", 3, "out.tiff", "II*"},                       // no extension: the type's
        {"web.PNG", 1, "web.PNG", "\x89PNG"},               // a typed writer's extension wins
        {"photo.v1", 1, "photo.v1.bmp", "BM"},               // a dot in the name is no extension
        {"scan.tif", 6, "scan.tif.png", "\x89PNG"},         // nor one no writer has
        {"a.b.jpeg", 1, "a.b.jpeg", "\xff\xd8"},
    };
    openAndAnswer(picture(), QString(), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        answer(path(QLatin1String(c.typed)), c.filterIndex);
        form->btnSaveClick();
        EXPECT_TRUE(readFile(path(QLatin1String(c.written))).startsWith(c.magic));
    }
    QStringList written = folderEntries();
    written.sort();
    EXPECT_EQ(written, (QStringList{"a.b.jpeg", "out.tiff", "photo.v1.bmp", "scan.tif.png", "view.bmp", "web.PNG"}));
    EXPECT_TRUE(messages.isEmpty());

    // A movie's copy always ends in ".swf".
    const QByteArray bytes = movieBytes(3);
    form->openPath(writeFile(path(QStringLiteral("movie.swf")), bytes));
    form->settleOpen();
    answer(path(QStringLiteral("movie.v2.copy")), 1);
    form->btnSaveClick();
    EXPECT_EQ(readFile(path(QStringLiteral("movie.v2.copy.swf"))), bytes);
}

TEST_F(SaveTest, AnExistingFileIsReplacedOnlyAfterYesEvenWhenReadOnly)
{
    const QString target = writeFile(path(QStringLiteral("old.bmp")), QByteArray("keep me"));
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::ReadGroup);
    openAndAnswer(picture(), target, 1);
    replace = false;
    form->btnSaveClick();
    ASSERT_EQ(questions.size(), 1);
    EXPECT_EQ(questions.first(),
              QStringLiteral("A file named %1 already exists. Replace it?").arg(target));
    EXPECT_EQ(readFile(target), QByteArray("keep me"));

    replace = true;
    form->btnSaveClick();
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(QImage(target, "BMP").size(), QSize(40, 20));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(SaveTest, AMovieIsCopiedByteForByte)
{
    const QByteArray bytes = movieBytes(7);
    const QString movie = writeFile(path(QStringLiteral("clip.swf")), bytes);
    openAndAnswer(movie, path(QStringLiteral("copy")), 1);
    form->btnSaveClick();
    EXPECT_EQ(lastSetup.kind, vx::SaveDialogKind::Movie);
    EXPECT_EQ(lastSetup.nameFilters, QStringList{QStringLiteral("SWF - Shockwave flash (*.swf)")});
    EXPECT_EQ(lastSetup.proposedName, QStringLiteral("clip"));
    EXPECT_EQ(readFile(path(QStringLiteral("copy.swf"))), bytes);

    // Over an existing file, after Yes.
    const QString old = writeFile(path(QStringLiteral("old.swf")), QByteArray(3000, 'o'));
    answer(old, 1);
    form->btnSaveClick();
    EXPECT_EQ(questions.size(), 1);
    EXPECT_EQ(readFile(old), bytes);
}

TEST_F(SaveTest, NothingOpenShowsTheMessageAndNoDialog)
{
    start();
    answer(path(QStringLiteral("never")), 1);
    form->btnSaveClick();
    EXPECT_EQ(dialogRuns, 0);
    EXPECT_TRUE(form->labelIsRed());
    EXPECT_EQ(form->nameLabel()->text(), QStringLiteral("Nothing is open"));

    // A file that failed to open counts as nothing open.
    form->openPath(writeFile(path(QStringLiteral("bad.png")), QByteArray("not a png at all")));
    form->settleOpen();  // the failure arrives from the decoding thread
    ASSERT_TRUE(form->labelIsRed());
    form->btnSaveClick();
    EXPECT_EQ(dialogRuns, 0);
    EXPECT_EQ(form->nameLabel()->text(), QStringLiteral("Nothing is open"));
}

TEST_F(SaveTest, ASaveIntoAFolderFailsWithTheErrorShown)
{
    QDir().mkpath(path(QStringLiteral("shot.bmp")));
    openAndAnswer(picture(), path(QStringLiteral("shot.bmp")), 1);
    form->btnSaveClick();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_FALSE(messages.first().isEmpty());
    EXPECT_TRUE(QFileInfo(path(QStringLiteral("shot.bmp"))).isDir());
    EXPECT_FALSE(form->labelIsRed());  // the picture stays on screen
}

// Lowers the process's file size limit for its lifetime; writes past it
// fail with EFBIG instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(SaveTest, AFullDiskLeavesTheOldFileIntact)
{
    const QByteArray oldBytes(1500, 'k');
    const QString target = writeFile(path(QStringLiteral("old.bmp")), oldBytes);
    // Noise, so that no writer gets it under the limit.
    QImage noise(200, 150, QImage::Format_RGB32);
    uint32_t seed = 12345;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x) {
            seed = seed * 1664525u + 1013904223u;
            noise.setPixel(x, y, 0xff000000u | (seed >> 8));
        }
    const QString source = writeBmp(path(QStringLiteral("big.bmp")), noise);
    for (int index : {1, 6}) {
        SCOPED_TRACE(index);
        const QString name = index == 1 ? target : path(QStringLiteral("old.png"));
        if (index == 6)
            writeFile(name, oldBytes);
        if (!form)
            openAndAnswer(source, name, index);
        else
            answer(name, index);
        {
            FileSizeLimit limit(4096);
            form->btnSaveClick();
        }
        ASSERT_EQ(messages.size(), 1);
        EXPECT_EQ(readFile(name), oldBytes);
        messages.clear();
    }
    // No half-written files are left beside them.
    QStringList entries = folderEntries();
    entries.sort();
    EXPECT_EQ(entries, (QStringList{QStringLiteral("big.bmp"), QStringLiteral("old.bmp"), QStringLiteral("old.png")}));
}

TEST_F(SaveTest, ARotatedPictureIsSavedRotated)
{
    const QImage original = quarterPicture(40, 20);
    openAndAnswer(writeBmp(path(QStringLiteral("wide.bmp")), original), path(QStringLiteral("turned")), 1);
    form->RotatePicture(90);
    form->btnSaveClick();
    const QImage saved(path(QStringLiteral("turned.bmp")), "BMP");
    ASSERT_EQ(saved.size(), QSize(20, 40));
    const QImage expected = original.transformed(QTransform().rotate(90));
    for (QPoint p : {QPoint(2, 2), QPoint(17, 2), QPoint(2, 37), QPoint(17, 37)})
        EXPECT_EQ(saved.pixelColor(p), expected.pixelColor(p)) << p.x() << "," << p.y();
    // The file on disk is as it was.
    EXPECT_EQ(QImage(path(QStringLiteral("wide.bmp")), "BMP").size(), QSize(40, 20));
}

// The options window beside the real save dialog takes real clicks and
// keys: the picture is written with what was chosen there.
TEST_F(SaveTest, TheJpegOptionsWindowIsUsableBesideTheSaveDialog)
{
    const QString source = picture(QStringLiteral("view.bmp"), QSize(64, 48));
    start();
    form->openPath(source);
    form->settleOpen();
    vx::ChangeQualityForm* options = dialogs->QualityForm;
    auto openDialog = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible())
                return d;
        return static_cast<QFileDialog*>(nullptr);
    };
    bool driven = false;
    auto drive = [&] {
        QFileDialog* dialog = openDialog();
        QVERIFY(dialog);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* buttons = dialog->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(types && name && buttons && buttons->button(QDialogButtonBox::Save));
        QTest::keyClick(types, Qt::Key_Down);  // BMP -> JPG
        QVERIFY(options->isVisible());
        auto* gray = options->findChild<QCheckBox*>(QStringLiteral("GrayscaleCheckBox"));
        auto* slider = options->findChild<QSlider*>(QStringLiteral("JpegQualityTrackBar"));
        auto* edit = options->findChild<QLineEdit*>(QStringLiteral("JPEGQualityEdit"));
        QVERIFY(gray && slider && edit);
        // Clicks and keys go through the window system, which holds back
        // input for windows that a modal dialog blocks.
        QWindow* window = options->windowHandle();
        QVERIFY(window);
        auto click = [&](QWidget* w, QPoint at) { QTest::mouseClick(window, Qt::LeftButton, {}, w->mapTo(options, at)); };
        click(gray, QPoint(6, gray->height() / 2));
        click(slider, QPoint(3, slider->height() / 2));
        click(edit, QPoint(edit->width() / 2, edit->height() / 2));
        QTest::keyClick(window, Qt::Key_End);
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(window, Qt::Key_Backspace);
        QTest::keyClick(window, Qt::Key_3);
        QTest::keyClick(window, Qt::Key_5);
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, QStringLiteral("gray"));
        driven = true;
        QTest::mouseClick(buttons->button(QDialogButtonBox::Save), Qt::LeftButton);
    };
    // Driven once the dialog is up; whatever happens there, it does not stay open.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QFileDialog* dialog = openDialog()) {
            poll.stop();
            drive();
            if (dialog->isVisible())
                dialog->reject();
        }
    });
    poll.start(50);
    vx::SkinButton* save = form->button(vx::kBtnSave);
    QTest::mouseClick(save, Qt::LeftButton, {}, save->rect().center());
    poll.stop();
    ASSERT_TRUE(driven);
    EXPECT_FALSE(options->isVisible());
    EXPECT_TRUE(options->grayscale());
    EXPECT_EQ(options->quality(), 35);
    const QString reference = path(QStringLiteral("reference.jpg"));
    vx::SaveByExtension(form->saveCommand().displayedPicture(), reference, vx::JpegOptions{35, true});
    const QByteArray written = readFile(path(QStringLiteral("gray.jpg")));
    ASSERT_FALSE(written.isEmpty());
    EXPECT_EQ(written, readFile(reference));
    EXPECT_EQ(QImage(path(QStringLiteral("gray.jpg"))).format(), QImage::Format_Grayscale8);
}

}  // namespace
}  // namespace media
