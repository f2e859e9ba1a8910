#include "platform/FileName.h"
#include "viewer/FileOrder.h"
#include "viewer/FolderList.h"
#include "viewer/SupportedTypes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace vx;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

}  // namespace

TEST(FolderList, KeepsViewableFilesInNameOrder)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    for (const char* name : {"a.jpg", "notes.txt", "B.JPEG", ".hidden.png", "c.Jpe", "noext", "x.jpg.bak"})
        touch(folder + QLatin1String(name));
    QDir(folder).mkdir(QStringLiteral("holiday.jpg"));

    FolderNavigation nav;
    nav.CurrentPath = folder + QStringLiteral("B.JPEG");
    nav.RebuildFolderList();
    const QStringList expected = {folder + ".hidden.png", folder + "a.jpg", folder + "B.JPEG", folder + "c.Jpe"};
    EXPECT_EQ(nav.FolderFileList, expected);
    EXPECT_EQ(nav.count(), 4);
    EXPECT_FALSE(nav.FolderFileList.contains(folder + QStringLiteral("holiday.jpg")));
    EXPECT_EQ(nav.CurrentIndex, int(expected.indexOf(nav.CurrentPath)) + 1);

    nav.CurrentPath = folder + QStringLiteral("b.jpeg");  // other letter case
    EXPECT_EQ(nav.FindCurrentIndex(), 0);
}

// Listing the folder again takes paths over from the list it replaces; after
// any change of the folder the list must still be what a first listing gives.
TEST(FolderList, ListingAgainMatchesAFirstListing)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    for (int i = 0; i < 12; ++i)
        touch(folder + QStringLiteral("p%1.png").arg(i));
    FolderNavigation nav;
    nav.CurrentPath = folder + QStringLiteral("p5.png");
    nav.RebuildFolderList();
    const QStringList shared = nav.FolderFileList;  // a copy shares the list
    struct Change {
        const char* remove;
        const char* add;
    };
    const Change changes[] = {{nullptr, nullptr}, {"p3.png", nullptr}, {nullptr, "p3a.png"},
                              {"p0.png", "p99.png"}, {"p1.png", nullptr}, {"p10.png", "p1.png"},
                              {nullptr, "\xc3\xa9.png"}};
    for (const Change& c : changes) {
        if (c.remove) {
            ASSERT_TRUE(QFile::remove(folder + QString::fromUtf8(c.remove)));
        }
        if (c.add)
            touch(folder + QString::fromUtf8(c.add));
        nav.RebuildFolderList();
        EXPECT_EQ(nav.FolderFileList, listViewableFiles(folder)) << (c.remove ? c.remove : "") << (c.add ? c.add : "");
        EXPECT_EQ(nav.FolderFileList[nav.CurrentIndex - 1], nav.CurrentPath);
    }
    EXPECT_EQ(shared.size(), 12);
    EXPECT_EQ(shared.first(), folder + QStringLiteral("p0.png"));
}

TEST(FolderList, NavigationWithoutWrapAround)
{
    FolderNavigation nav;
    nav.FolderFileList = {"/d/1.png", "/d/2.png", "/d/3.png"};
    nav.CurrentPath = "/d/other.PNG";
    nav.CurrentIndex = 0;
    EXPECT_FALSE(nav.PreviousFile());
    EXPECT_TRUE(nav.NextFile());
    EXPECT_EQ(nav.CurrentPath, QStringLiteral("/d/1.png"));
    EXPECT_FALSE(nav.PreviousFile());
    EXPECT_TRUE(nav.LastFile());
    EXPECT_EQ(nav.CurrentIndex, 3);
    EXPECT_FALSE(nav.NextFile());
    EXPECT_EQ(nav.CurrentPath, QStringLiteral("/d/3.png"));
    EXPECT_TRUE(nav.PreviousFile());
    EXPECT_EQ(nav.CurrentIndex, 2);
    EXPECT_TRUE(nav.FirstFile());
    EXPECT_EQ(nav.CurrentPath, QStringLiteral("/d/1.png"));

    FolderNavigation empty;
    empty.CurrentPath = "/gone/x.png";
    EXPECT_FALSE(empty.NextFile() || empty.PreviousFile() || empty.FirstFile() || empty.LastFile());

    FolderNavigation noPath;
    noPath.FolderFileList = {"/d/1.png"};
    EXPECT_FALSE(noPath.NextFile());
    EXPECT_TRUE(noPath.FirstFile());
}

TEST(FolderList, UnreadableOrMissingFoldersGiveAnEmptyList)
{
    FolderNavigation nav;
    nav.CurrentPath = QStringLiteral("/no/such/folder/x.png");
    nav.RebuildFolderList();
    EXPECT_TRUE(nav.FolderFileList.isEmpty());
    EXPECT_EQ(nav.CurrentIndex, 0);
    EXPECT_EQ(positionText(nav.CurrentPath, 0, 0, true), QStringLiteral("x.png [0/0]"));

    // A path without a folder part lists the working folder, names kept bare.
    QTemporaryDir dir;
    touch(dir.path() + QStringLiteral("/p.png"));
    const QString saved = QDir::currentPath();
    QDir::setCurrent(dir.path());
    FolderNavigation bare;
    bare.CurrentPath = QStringLiteral("p.png");
    bare.RebuildFolderList();
    QDir::setCurrent(saved);
    EXPECT_EQ(bare.FolderFileList, QStringList{QStringLiteral("p.png")});
    EXPECT_EQ(bare.CurrentIndex, 1);
}

TEST(PositionText, NameAndBrackets)
{
    EXPECT_EQ(positionText(QStringLiteral("/a/b/c.jpg"), 10, 25, true), QStringLiteral("c.jpg [10/25]"));
    EXPECT_EQ(positionText(QStringLiteral("/a/b/c.jpg"), 10, 25, false), QStringLiteral("c.jpg"));
    EXPECT_EQ(folderOf(QStringLiteral("/a/b/c.jpg")), QStringLiteral("/a/b/"));
    EXPECT_EQ(folderOf(QStringLiteral("c.jpg")), QString());
}

TEST(FolderList, NonAsciiNamesKeepTheirLetters)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    touch(folder + QStringLiteral("фото.JPG"));
    touch(folder + QStringLiteral("plain.png"));
    touch(folder + QStringLiteral("ünïcode.txt"));
    const QStringList files = listViewableFiles(folder);
    EXPECT_EQ(files.size(), 2);
    EXPECT_TRUE(files.contains(folder + QStringLiteral("фото.JPG")));
    EXPECT_TRUE(files.contains(folder + QStringLiteral("plain.png")));
}

// Case ignored, digit runs compared as numbers, exact names break ties;
// names alike in their first letters are ordered by the rest of them.
TEST(FolderList, SortsAsFileManagersDo)
{
    const QStringList orders[] = {
        {"A.jpg", "a.jpg", "b.jpg", "IMG1.png", "img02.jpg", "img2.jpg", "img10.jpg", "img10a.jpg", "img10b.JPG",
         "img100.jpg", "Ünïcode.png", "ünïcode.png"},
        {"Holiday pictures 2024 - 2.jpg", "holiday pictures 2024 - 02.png", "holiday pictures 2024 - 10.jpg",
         "Holiday pictures 2024 - 10b.jpg", "holiday pictures 2024 - 10b.png", "holiday pictures 2024 - 100.jpg",
         "Über die Brücke 0000000000000000000000001.jpg", "über die Brücke 00000000000000000000000009.jpg",
         "über die brücke 10.jpg"},
    };
    for (const QStringList& sorted : orders) {
        QTemporaryDir dir;
        const QString folder = dir.path() + QLatin1Char('/');
        for (qsizetype i = sorted.size() - 1; i >= 0; --i)
            touch(folder + sorted[i]);
        QStringList expected;
        for (const QString& name : sorted)
            expected << folder + name;
        EXPECT_EQ(listViewableFiles(folder), expected);
    }
}

// A name that is not UTF-8 keeps its bytes: the listed path opens the file,
// and only what a person reads shows replacement characters.
TEST(FolderList, NamesThatAreNotUtf8OpenAsListed)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QByteArray raw = QFile::encodeName(folder) + QByteArray("caf\xe9.jpg");
    const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "bytes", 5), 5);
    ::close(fd);
    touch(folder + QStringLiteral("cafe.jpg"));

    const QStringList files = listViewableFiles(folder);
    ASSERT_EQ(files.size(), 2);
    const QString listed = files[0] == folder + QStringLiteral("cafe.jpg") ? files[1] : files[0];
    EXPECT_EQ(encodeFileName(listed), raw);
    QFile file;
    ASSERT_TRUE(openForReading(file, listed));
    EXPECT_EQ(file.readAll(), QByteArray("bytes"));
    EXPECT_TRUE(fileExists(listed));
    EXPECT_EQ(positionText(listed, 1, 2, true), QStringLiteral("caf\uFFFD.jpg [1/2]"));
    // Well-formed names and every kind of malformed byte go back to the same bytes.
    for (const QByteArray& name : {QByteArray("фото.jpg"), QByteArray("\xff\xfe.png"), QByteArray("a\xc3.gif"),
                                   QByteArray("\xed\xb2\x80.bmp"), QByteArray("\xc0\xaf.tga"), QByteArray("\xf0\x90\x82\x80\xe9.png")})
        EXPECT_EQ(encodeFileName(decodeFileName(name)), name) << name.toHex().toStdString();
}
