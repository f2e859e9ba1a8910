#include "viewer/FolderList.h"
#include "viewer/SupportedTypes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vx;

namespace {

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
}

}  // namespace

TEST(FolderList, KeepsViewableFilesInListingOrder)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    for (const char* name : {"a.jpg", "notes.txt", "B.JPEG", ".hidden.png", "c.Jpe", "noext", "x.jpg.bak"})
        touch(folder + QLatin1String(name));
    QDir(folder).mkdir(QStringLiteral("holiday.jpg"));

    FolderNavigation nav;
    nav.CurrentPath = folder + QStringLiteral("B.JPEG");
    nav.RebuildFolderList();
    QStringList expected;
    QDir listing(folder);
    listing.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    listing.setSorting(QDir::Unsorted);
    for (const QString& n : listing.entryList())
        if (isViewable(n))
            expected << folder + n;
    EXPECT_EQ(nav.FolderFileList, expected);
    EXPECT_EQ(nav.count(), 4);
    EXPECT_FALSE(nav.FolderFileList.contains(folder + QStringLiteral("holiday.jpg")));
    EXPECT_EQ(nav.CurrentIndex, int(expected.indexOf(nav.CurrentPath)) + 1);

    nav.CurrentPath = folder + QStringLiteral("b.jpeg");  // other letter case
    EXPECT_EQ(nav.FindCurrentIndex(), 0);
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
