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

    EXPECT_EQ(vx::overwriteQuestion("/x/a.bmp"),
              QStringLiteral("Файл с именем: /x/a.bmp уже существует. Заменить?"));
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
    EXPECT_EQ(vx::saveAs(picture, current, path("out.tif"), 3, jpeg), vx::SaveFormat::None);
    EXPECT_FALSE(QFile::exists(path("out.tif")));

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

    // A folder without write permission (meaningless for root, who may write anyway).
    if (geteuid() != 0) {
        QDir(dir.path()).mkdir("locked");
        writeAll(path("locked/a.bmp"), "old");
        QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_THROW(vx::SaveByExtension(picture, path("locked/a.bmp"), jpeg), vx::SaveError);
        EXPECT_EQ(readAll(path("locked/a.bmp")), QByteArray("old"));
        QFile::setPermissions(path("locked"), QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                  | QFileDevice::ExeOwner);
    }
}
