#include "skins/Zip.h"
#include "skins/ZipBuilder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

using namespace vx;
using vxtest::readBytes;
using vxtest::writeBytes;

namespace {

struct RecordingPrompter : ZipPrompter {
    QStringList questions, messages;
    Answer answer = Answer::No;
    void showMessage(const QString& text) override { messages << text; }
    Answer askYesNoCancel(const QString& text, bool) override
    {
        questions << text;
        return answer;
    }
};

struct Fixture {
    QTemporaryDir dir;
    QString target;
    RecordingPrompter prompter;
    Zip zip;
    Fixture()
    {
        target = dir.filePath("out");
        QDir().mkpath(target);
        zip.LibraryFolder = VX_UNZIP_DIR;
        zip.ShowProgressDialog = false;
        zip.TargetFolder = target;
        zip.setPrompter(&prompter);
    }
};

}  // namespace

TEST(ZipExtract, OverwriteOptionsDecideAboutExistingFiles)
{
    Fixture f;
    const QString archive = f.dir.filePath("a.zip");
    ASSERT_TRUE(vxtest::writeZip(archive, {{"a.txt", "new a"}, {"sub/b.txt", "new b"}}));
    writeBytes(f.target + "/a.txt", "old a");

    // Options 16 (the skin loader's): replaced without a question.
    f.zip.SetArchive(archive);
    f.zip.ExtractOptions = Zip::OptionOverwrite;
    f.zip.FileSpecs = {"*.*"};
    EXPECT_EQ(f.zip.Extract(), 2);
    EXPECT_EQ(readBytes(f.target + "/a.txt"), "new a");
    EXPECT_EQ(readBytes(f.target + "/sub/b.txt"), "new b");
    EXPECT_TRUE(f.prompter.questions.isEmpty());
    EXPECT_TRUE(f.zip.FileSpecs.isEmpty());
    EXPECT_EQ(f.zip.totalFiles(), 2);
    EXPECT_EQ(f.zip.totalSize(), 10);
    EXPECT_EQ(f.zip.filesDone(), 2);
    EXPECT_EQ(QDir(f.target).entryList(QDir::Files | QDir::Hidden), QStringList({"a.txt"}));

    // Option 8: asked; No keeps the file (the file on disk is newer here).
    writeBytes(f.target + "/a.txt", "mine");
    f.zip.ExtractOptions = Zip::OptionAsk;
    f.zip.FileSpecs = {"A.TXT"};
    EXPECT_EQ(f.zip.Extract(), 0);
    EXPECT_EQ(readBytes(f.target + "/a.txt"), "mine");
    ASSERT_EQ(f.prompter.questions.size(), 1);
    EXPECT_TRUE(f.prompter.questions[0].endsWith(
        "\" is the same age or newer than the zipped file.\nDo you really want to overwrite this file? ..."));
    EXPECT_EQ(f.zip.filesWithProblems(), 1);
    f.prompter.answer = ZipPrompter::Answer::Yes;
    f.zip.FileSpecs = {"a.*"};
    EXPECT_EQ(f.zip.Extract(), 1);
    EXPECT_EQ(readBytes(f.target + "/a.txt"), "new a");

    // Option 1 (freshen): files that are not there are not added.
    QFile::remove(f.target + "/sub/b.txt");
    f.zip.ExtractOptions = Zip::Option1;
    EXPECT_EQ(f.zip.Extract(), 0);
    EXPECT_FALSE(QFileInfo::exists(f.target + "/sub/b.txt"));

    // A target folder that does not exist is a notice, not an error.
    f.zip.TargetFolder = f.dir.filePath("nowhere");
    EXPECT_EQ(f.zip.Extract(), 0);
    EXPECT_EQ(f.prompter.messages.last(),
              "Unable to extract files to:\n\"" + f.dir.filePath("nowhere") + "\"\nThis folder does not exist.");
}

TEST(ZipExtract, EntriesNeverLeaveTheTargetFolder)
{
    Fixture f;
    for (const QByteArray& name : {QByteArray("../evil.txt"), QByteArray("a/../../evil.txt"),
                                   QByteArray("..\\evil.txt"), ("/" + f.dir.filePath("abs.txt")).toUtf8()}) {
        const QString archive = writeBytes(f.dir.filePath("slip.zip"),
                                           vxtest::handMadeZip(name, "hello", 5, 0x3610A686));
        f.zip.SetArchive(archive);
        f.zip.ExtractOptions = Zip::OptionOverwrite;
        EXPECT_EQ(f.zip.Extract(), 0) << name.constData();
        EXPECT_EQ(f.zip.filesWithProblems(), 1);
    }
    EXPECT_FALSE(QFileInfo::exists(f.dir.filePath("evil.txt")));
    EXPECT_FALSE(QFileInfo::exists(f.dir.filePath("abs.txt")));
    EXPECT_TRUE(QDir(f.target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());

    // "./x/./y.txt" is inside: written as x/y.txt.
    f.zip.SetArchive(writeBytes(f.dir.filePath("ok.zip"),
                                vxtest::handMadeZip("./x/./y.txt", "hello", 5, 0x3610A686)));
    EXPECT_EQ(f.zip.Extract(), 1);
    EXPECT_EQ(readBytes(f.target + "/x/y.txt"), "hello");
}

TEST(ZipExtract, OversizedAndDamagedEntriesAreRefused)
{
    Fixture f;
    // An entry that declares about 4 GB.
    f.zip.SetArchive(writeBytes(f.dir.filePath("huge.zip"),
                                vxtest::handMadeZip("huge.bin", "tiny", 0xFFFFFFF0u, 0)));
    f.zip.ExtractOptions = Zip::OptionOverwrite;
    EXPECT_EQ(f.zip.Extract(), 0);
    EXPECT_FALSE(QFileInfo::exists(f.target + "/huge.bin"));
    EXPECT_EQ(f.zip.filesWithProblems(), 1);

    // A wrong checksum: asked; the default answer (No) drops the file.
    f.zip.SetArchive(writeBytes(f.dir.filePath("crc.zip"),
                                vxtest::handMadeZip("crc.txt", "hello", 5, 0x12345678)));
    EXPECT_EQ(f.zip.Extract(), 0);
    EXPECT_FALSE(QFileInfo::exists(f.target + "/crc.txt"));
    ASSERT_EQ(f.prompter.questions.size(), 1);
    EXPECT_EQ(f.prompter.questions[0],
              "\"crc.txt\" may be corrupted (CRC error).\nExtract this file anyway? ...");
    EXPECT_TRUE(QDir(f.target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

TEST(ZipExtract, MissingOrOldLibraryIsAnError)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath("a.zip");
    ASSERT_TRUE(vxtest::writeZip(archive, {{"a.txt", "a"}}));
    auto extractWith = [&](const QString& folder) -> QString {
        Zip zip;
        zip.ShowProgressDialog = false;
        zip.LibraryFolder = folder;
        zip.ExtractOptions = Zip::OptionOverwrite;
        zip.SetArchive(archive);
        try {
            const int n = zip.Extract();
            return n == 1 ? QString("extracted") : QString("result %1 problems %2 total %3").arg(n).arg(zip.filesWithProblems()).arg(zip.totalFiles());
        } catch (const ZipError& e) {
            return e.text();
        }
    };
    EXPECT_EQ(extractWith(dir.filePath("none")), "Unable to load \"UnzDll.dll\".");
    EXPECT_EQ(extractWith(VX_OLD_UNZIP_DIR), "Error - invalid version of ZipDll.dll or UnzDll.dll");
    EXPECT_EQ(extractWith(VX_UNZIP_DIR), "extracted");
    EXPECT_EQ(readBytes(dir.filePath("a.txt")), "a") << QDir(dir.path()).entryList().join(",").toStdString() << QDir::currentPath().toStdString();  // the archive's own folder
}
