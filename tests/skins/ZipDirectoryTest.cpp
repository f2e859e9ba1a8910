#include "skins/Zip.h"
#include "skins/ZipBuilder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QTemporaryDir>

using namespace vx;
using vxtest::readBytes;
using vxtest::writeBytes;

namespace {

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const ZipError& e) {
        return e.text();
    }
    return "no error";
}

ZipDirectory readBuffer(QByteArray bytes)
{
    QBuffer buf(&bytes);
    buf.open(QIODevice::ReadOnly);
    return readZipDirectory(buf, "mem.zip");
}

}  // namespace

TEST(ZipDirectory, EmptyArchiveIsCreatedAndHasNoEntries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("new.zip");
    Zip zip;
    zip.SetArchive(path);
    EXPECT_EQ(readBytes(path), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
    EXPECT_TRUE(zip.Entries().isEmpty());
    EXPECT_EQ(zip.directory().endRecordPosition, 0);
    zip.LibraryFolder = dir.filePath("no-library-here");
    EXPECT_EQ(zip.Extract(), 0);  // nothing to do, the library is not even loaded

    EXPECT_EQ(errorOf([&] { zip.SetArchive(dir.filePath("missing/folder/a.zip")); }),
              "Unable to create \n\"" + dir.filePath("missing/folder/a.zip") + "\"");
}

TEST(ZipDirectory, DataInFrontAndLongCommentAreHandled)
{
    QTemporaryDir dir;
    const QString plain = dir.filePath("plain.zip");
    ASSERT_TRUE(vxtest::writeZip(plain, {{"a.txt", "alpha"}, {"sub/b.txt", "beta"}},
                                 QByteArray(65513, 'c')));
    const QString prefixed =
        writeBytes(dir.filePath("prefixed.zip"), QByteArray(100, 'x') + readBytes(plain));
    Zip zip;
    zip.SetArchive(prefixed);
    ASSERT_EQ(zip.Entries().size(), 2);
    EXPECT_EQ(zip.Entries()[0].fileName, "a.txt");
    EXPECT_EQ(zip.Entries()[1].fileName, "sub/b.txt");
    EXPECT_EQ(zip.Entries()[1].uncompressedSize(), 4u);
    EXPECT_EQ(zip.firstEntryOffset(), 100u);
    EXPECT_EQ(zip.Comment().size(), 65513);
    EXPECT_FALSE(zip.OemNames());  // libzip writes Unix as the host
}

TEST(ZipDirectory, BrokenArchivesGiveTheComponentsErrors)
{
    const QByteArray good = vxtest::handMadeZip("a.txt", "hello", 5, 0x3610A686);
    EXPECT_EQ(readBuffer(good).entries.size(), 1);

    // No signature within the last 65535 bytes.
    QByteArray far = good + QByteArray(65536, 'z');
    EXPECT_EQ(errorOf([&] { readBuffer(far); }), "\"mem.zip\"\nis not a valid Zip file.");
    EXPECT_EQ(errorOf([&] { readBuffer("PK\x05\x06"); }), "\"mem.zip\"\nis not a valid Zip file.");
    EXPECT_EQ(errorOf([&] { readBuffer(QByteArray()); }), "\"mem.zip\"\nis not a valid Zip file.");

    // One disk of a spanned archive: its other disks cannot be asked for.
    QByteArray spanned = good;
    spanned[spanned.size() - 18] = 2;
    EXPECT_EQ(errorOf([&] { readBuffer(spanned); }), "\"mem.zip\"\nis not a valid Zip file.");

    // More entries announced than the directory holds.
    QByteArray more = good;
    more[more.size() - 12] = 3;
    more[more.size() - 14] = 3;
    EXPECT_EQ(errorOf([&] { readBuffer(more); }), "Error reading CentralFileHeader.");

    // A directory size pointing before the start of the file.
    QByteArray before = good;
    before[before.size() - 9] = char(0x7F);
    EXPECT_EQ(errorOf([&] { readBuffer(before); }), "Error reading CentralFileHeader.");

    // A name longer than the file.
    QByteArray longName = good;
    const qsizetype cd = longName.indexOf("PK\x01\x02");
    longName[cd + 29] = char(0xFF);
    EXPECT_EQ(errorOf([&] { readBuffer(longName); }), "Error reading CentralFileHeader.");
}

TEST(ZipDirectory, OemNamesComeFromCodePage437)
{
    QByteArray z = vxtest::handMadeZip("\x80\x9A.txt", "x", 1, 0x8CDC1683);
    const qsizetype cd = z.indexOf("PK\x01\x02");
    z[cd + 5] = 0;  // made by MS-DOS
    const ZipDirectory d = readBuffer(z);
    EXPECT_TRUE(d.oemNames);
    ASSERT_EQ(d.entries.size(), 1);
    EXPECT_EQ(d.entries[0].fileName, QString::fromUtf8("ÇÜ.txt"));
    z[cd + 5] = 11;
    z[cd + 4] = 50;
    EXPECT_TRUE(readBuffer(z).oemNames);
    z[cd + 4] = 20;
    EXPECT_FALSE(readBuffer(z).oemNames);
}
