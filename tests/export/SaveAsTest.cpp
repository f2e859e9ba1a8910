// The save command's logic: filters, proposals, writer choice, replacing
// existing (also read-only) files, and failures that keep the old file.
#include "export/SaveAs.h"
#include "ExportTestUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace exporttest;

namespace {

class SaveAs : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
    vx::DisplayedPicture picture{patterned(6, 4, 24)};
    vx::JpegOptions jpeg;
};

}  // namespace

TEST_F(SaveAs, FiltersAndTypeChanges)
{
    EXPECT_EQ(vx::pictureSaveFilter(),
              QStringLiteral("BMP - Windows Bitmap|*.bmp|JPG - JPG File|*.jpg|TIFF - Tagged Image File "
                             "Format|*.tiff|EMF - Enhanced Metafile|*.emf|HTML - HyperText Markup "
                             "Language|*.html|PNG - Portable Network Graphic Images|*.png|WBMP - "
                             "Wireless Bitmap|*.wbmp"));
    EXPECT_EQ(vx::swfSaveFilter(), QStringLiteral("SWF - Shockwave flash|*.swf"));
    EXPECT_EQ(vx::qtNameFilters(vx::swfSaveFilter()), QStringList{"SWF - Shockwave flash (*.swf)"});
    EXPECT_EQ(vx::qtNameFilters(vx::pictureSaveFilter()).size(), 7);

    const char* extensions[] = {"bmp", "jpg", "tiff", "emf", "html", "png", "wbmp"};
    for (int i = 1; i <= 7; ++i) {
        const vx::SaveTypeChange change = vx::SaveDialog1TypeChange(i);
        EXPECT_EQ(change.defaultExtension, QLatin1String(extensions[i - 1]));
        EXPECT_EQ(change.showJpegOptions, i == 2);
    }
    EXPECT_FALSE(vx::SaveDialog1TypeChange(0).showJpegOptions);
    EXPECT_TRUE(vx::SaveDialog1TypeChange(8).defaultExtension.isEmpty());
}

TEST_F(SaveAs, DialogProposals)
{
    vx::SaveDialogSetup s = vx::saveDialogSetup("/pics/holiday.2024/photo.final.jpeg");
    EXPECT_EQ(s.kind, vx::SaveDialogKind::Picture);
    EXPECT_EQ(s.proposedName, QStringLiteral("photo.final"));
    EXPECT_EQ(s.folder, QStringLiteral("/pics/holiday.2024"));
    EXPECT_EQ(s.filter, vx::pictureSaveFilter());
    EXPECT_EQ(s.filterIndex, 1);
    EXPECT_EQ(s.defaultExtension, QStringLiteral("bmp"));

    s = vx::saveDialogSetup("/m/Intro.SwF");
    EXPECT_EQ(s.kind, vx::SaveDialogKind::Movie);
    EXPECT_EQ(s.proposedName, QStringLiteral("Intro"));
    EXPECT_EQ(s.nameFilters, QStringList{"SWF - Shockwave flash (*.swf)"});
    EXPECT_EQ(s.defaultExtension, QStringLiteral("swf"));

    EXPECT_EQ(vx::saveDialogSetup("/a/b.txt").kind, vx::SaveDialogKind::None);
    EXPECT_EQ(vx::saveDialogSetup("/a.gif/readme").kind, vx::SaveDialogKind::None);
    EXPECT_EQ(vx::saveDialogSetup("").kind, vx::SaveDialogKind::None);
    for (const char* e : {"PSPIMAGE", "WBMP", "GIF", "RLE", "VST", "TIF"})
        EXPECT_TRUE(vx::isSavablePictureExtension(e)) << e;
    EXPECT_FALSE(vx::isSavablePictureExtension("SWF"));
    EXPECT_FALSE(vx::isSavablePictureExtension("jpg"));

    EXPECT_EQ(vx::overwriteQuestion("/x/a.bmp", QStringLiteral("Файл с именем: %1 уже существует. Заменить?")),
              QStringLiteral("Файл с именем: /x/a.bmp уже существует. Заменить?"));
    EXPECT_EQ(vx::overwriteQuestion("/x/a.bmp", QString()),
              QStringLiteral("A file named /x/a.bmp already exists. Replace it?"));
}

TEST_F(SaveAs, WriterChoiceByTypedExtension)
{
    using F = vx::SaveFormat;
    const std::pair<const char*, F> cases[] = {
        {"a.bmp", F::Bmp}, {"a.JPG", F::Jpeg}, {"a.jpeg", F::Jpeg}, {"a.Jpe", F::Jpeg},
        {"a.tiff", F::Tiff}, {"a.tif", F::None}, {"a.emf", F::Emf}, {"a.html", F::Html},
        {"a.htm", F::None}, {"a.png", F::Png}, {"a.wbmp", F::Wbmp}, {"a", F::None},
        {"x.bmp/a", F::None}, {"a.bmp.bak", F::None}};
    for (const auto& [name, format] : cases)
        EXPECT_EQ(vx::saveFormatFor(name), format) << name;

    for (const char* name : {"a.tif", "b", "c.gif"}) {
        EXPECT_EQ(vx::SaveByExtension(picture, path(name), jpeg), F::None);
        EXPECT_FALSE(QFile::exists(path(name))) << name;
    }
    EXPECT_EQ(vx::SaveByExtension(picture, path("p.PNG"), jpeg), F::Png);
    EXPECT_TRUE(readAll(path("p.PNG")).startsWith("\x89PNG"));
    EXPECT_EQ(vx::SaveByExtension(picture, path("p.tiff"), jpeg), F::Tiff);
    EXPECT_TRUE(readAll(path("p.tiff")).startsWith("II*"));
    // WBMP: a 6 x 4 picture gives type 0, fixed header 0, width, height, one byte per row.
    EXPECT_EQ(vx::SaveByExtension(picture, path("p.wbmp"), jpeg), F::Wbmp);
    EXPECT_EQ(readAll(path("p.wbmp")).left(4), QByteArray("\x00\x00\x06\x04", 4));
    EXPECT_EQ(readAll(path("p.wbmp")).size(), 4 + 4);
    jpeg = {50, true};
    EXPECT_EQ(vx::SaveByExtension(picture, path("p.jpe"), jpeg), F::Jpeg);
    EXPECT_TRUE(readAll(path("p.jpe")).startsWith("\xFF\xD8"));
    EXPECT_THROW(vx::SaveByExtension(patterned(641, 1, 24), path("p.html"), jpeg, "big"),
                 vx::PictureTooBigError);
}

TEST_F(SaveAs, SaveAfterTheDialog)
{
    const QString current = path("photo.jpeg");
    // A name typed without extension gets the chosen type's extension.
    EXPECT_EQ(vx::saveAs(picture, current, path("out"), 3, jpeg), vx::SaveFormat::Tiff);
    EXPECT_TRUE(QFile::exists(path("out.tiff")));
    // So does a name whose extension no writer has.
    EXPECT_EQ(vx::saveAs(picture, current, path("out.tif"), 3, jpeg), vx::SaveFormat::Tiff);
    EXPECT_FALSE(QFile::exists(path("out.tif")));
    EXPECT_TRUE(QFile::exists(path("out.tif.tiff")));

    // A read-only target is replaced after the user's Yes.
    writeAll(path("ro.bmp"), "old");
    QFile::setPermissions(path("ro.bmp"), QFileDevice::ReadOwner);
    EXPECT_EQ(vx::saveAs(picture, current, path("ro.bmp"), 1, jpeg), vx::SaveFormat::Bmp);
    EXPECT_TRUE(readAll(path("ro.bmp")).startsWith("BM"));
    EXPECT_TRUE(QFileInfo(path("ro.bmp")).permissions() & QFileDevice::WriteOwner);

    // A movie is copied byte for byte, also over an existing file.
    QByteArray movie("FWS\x06 movie bytes \x00\xFF", 20);
    writeAll(path("clip.swf"), movie);
    writeAll(path("copy.swf"), "older and longer content");
    EXPECT_EQ(vx::saveAs({}, path("clip.swf"), path("copy"), 1, jpeg), vx::SaveFormat::SwfCopy);
    EXPECT_EQ(readAll(path("copy.swf")), movie);
    EXPECT_EQ(vx::saveAs(picture, path("notes.txt"), path("x.bmp"), 1, jpeg), vx::SaveFormat::None);
    EXPECT_FALSE(QFile::exists(path("x.bmp")));
}

TEST_F(SaveAs, FailuresKeepTheOldFile)
{
    // The target is a folder, or its folder is missing.
    QDir(dir.path()).mkdir("shot.png");
    EXPECT_THROW(vx::saveAs(picture, path("a.bmp"), path("shot.png"), 6, jpeg), vx::SaveError);
    EXPECT_TRUE(QFileInfo(path("shot.png")).isDir());
    EXPECT_THROW(vx::SaveByExtension(picture, path("none/a.bmp"), jpeg), vx::SaveError);
    EXPECT_THROW(vx::copyFileSafely(path("absent.swf"), path("c.swf")), vx::SaveError);
    EXPECT_FALSE(QFile::exists(path("c.swf")));

    // The disk fills up in the middle of the write: every writer reports it,
    // the old file keeps its content and no temporary file is left behind.
    writeAll(path("keep.bmp"), "old content");
    writeAll(path("big.swf"), QByteArray(20000, 'x'));
    const QStringList before = files();
    const vx::DisplayedPicture big(patterned(300, 200, 24));
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (const char* name : {"keep.bmp", "keep.jpg", "keep.tiff", "keep.png", "keep.html", "keep.wbmp", "keep.emf"}) {
        writeAll(path(name), "old content");
        vx::DisplayedPicture p = QString(name).endsWith("html") ? patterned(300, 200, 24) : big;
        EXPECT_THROW(vx::SaveByExtension(p, path(name), jpeg), vx::CodecError) << name;
        EXPECT_EQ(readAll(path(name)), QByteArray("old content")) << name;
    }
    EXPECT_THROW(vx::copyFileSafely(path("big.swf"), path("keep.bmp")), vx::SaveError);
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(readAll(path("keep.bmp")), QByteArray("old content"));
    for (const QString& f : files())
        EXPECT_TRUE(f.startsWith("keep.") || before.contains(f)) << f.toStdString();
}

namespace {

// Makes a folder refuse new files for its lifetime: without write permission,
// or for root (whom permissions don't stop) immutable.
class RefusingFolder {
public:
    explicit RefusingFolder(const QString& folder) : path_(QFile::encodeName(folder))
    {
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (refuses())
            return;
        fd_ = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
        int flags = 0;
        if (fd_ >= 0 && ::ioctl(fd_, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ::ioctl(fd_, FS_IOC_SETFLAGS, &flags) == 0;
        }
    }
    ~RefusingFolder()
    {
        if (immutable_) {
            int flags = 0;
            ::ioctl(fd_, FS_IOC_GETFLAGS, &flags);
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd_, FS_IOC_SETFLAGS, &flags);
        }
        if (fd_ >= 0)
            ::close(fd_);
        QFile::setPermissions(QFile::decodeName(path_),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool refuses() const
    {
        const QByteArray probe = path_ + "/.probe";
        const int fd = ::open(probe.constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
        if (fd < 0)
            return true;
        ::close(fd);
        ::unlink(probe.constData());
        return false;
    }

private:
    QByteArray path_;
    int fd_ = -1;
    bool immutable_ = false;
};

}  // namespace

// A file the user may write in a folder that refuses new files is replaced
// in place by every writer; a writer that fails leaves it as it was.
TEST_F(SaveAs, AFolderThatRefusesNewFilesIsWrittenInPlace)
{
    const char* names[] = {"a.bmp", "a.jpg", "a.tiff", "a.emf", "a.html", "a.png", "a.wbmp"};
    const vx::DisplayedPicture shown(patterned(30, 20, 24));
    QDir(dir.path()).mkdir("locked");
    QDir(dir.path()).mkdir("open");
    for (const char* name : names) {
        writeAll(path(QStringLiteral("locked/") + name), "old content");
        vx::SaveByExtension(shown, path(QStringLiteral("open/") + name), jpeg);
    }
    writeAll(path("locked/big.html"), "old content");
    {
        RefusingFolder locked(path("locked"));
        if (!locked.refuses())
            GTEST_SKIP() << "no way to make a folder refuse new files here";
        for (const char* name : names) {
            SCOPED_TRACE(name);
            EXPECT_NO_THROW(vx::SaveByExtension(shown, path(QStringLiteral("locked/") + name), jpeg));
            EXPECT_EQ(readAll(path(QStringLiteral("locked/") + name)), readAll(path(QStringLiteral("open/") + name)));
        }
        // The HTML writer refuses a picture over its limit before anything is written.
        EXPECT_THROW(vx::SaveByExtension(vx::DisplayedPicture(patterned(700, 500, 24)), path("locked/big.html"), jpeg),
                     vx::CodecError);
        EXPECT_EQ(readAll(path("locked/big.html")), QByteArray("old content"));
        // A new file can't be made there at all: the error says so.
        try {
            vx::SaveByExtension(shown, path("locked/new.png"), jpeg);
            ADD_FAILURE() << "a new file was made";
        } catch (const vx::SaveError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).startsWith("Cannot create file")) << e.what();
        }
    }
    EXPECT_EQ(QDir(path("locked")).entryList(QDir::Files | QDir::Hidden).size(), 8);
}

// A full disk is reported with the system's words by every writer, and the
// old file keeps its content.
TEST_F(SaveAs, AFullDiskSaysSoForEveryWriter)
{
    // A small file system of its own, mounted where only this thread sees it.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        GTEST_SKIP() << "no private mounts here";
    const QByteArray small = QFile::encodeName(path("small"));
    QDir(dir.path()).mkdir("small");
    ASSERT_EQ(::mount("tmpfs", small.constData(), "tmpfs", 0, "size=256k"), 0);
    const char* names[] = {"k.bmp", "k.jpg", "k.tiff", "k.emf", "k.html", "k.png", "k.wbmp"};
    for (const char* name : names)
        writeAll(path(QStringLiteral("small/") + name), "old content");
    // Fill it up, then free a little: every new picture is larger than that.
    {
        QFile filler(path("small/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        filler.resize(filler.size() - 8192);
    }
    const vx::DisplayedPicture big(patterned(400, 300, 24));
    const vx::DisplayedPicture html(patterned(160, 120, 24));
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const QString target = path(QStringLiteral("small/") + name);
        try {
            vx::SaveByExtension(QString(name).endsWith("html") ? html : big, target, jpeg);
            ADD_FAILURE() << "the save succeeded";
        } catch (const vx::CodecError& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).endsWith(": No space left on device")) << e.what();
        }
        EXPECT_EQ(readAll(target), QByteArray("old content"));
    }
    EXPECT_EQ(QDir(path("small")).entryList(QDir::Files | QDir::Hidden).size(), 8);
    ::umount2(small.constData(), MNT_DETACH);
}
