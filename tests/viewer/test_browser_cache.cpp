// The browser-cache scan: content signatures, the two cache layouts, the
// order of the list, and trees that are hostile or odd.
#include "support/BrowserCacheFiles.h"
#include "support/TempHome.h"
#include "viewer/BrowserCache.h"
#include "viewer/ContentSignature.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace cachefiles;

namespace {

const QImage kRed = solidImage(3, 2, qRgb(255, 0, 0));

QString keyOf(const QByteArray& bytes)
{
    return vx::signatureKey(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
}

TEST(ContentSignature, TellsEachViewableTypeAndNothingElse)
{
    QByteArray emf(44, '\0');
    emf[0] = 1;
    emf.replace(40, 4, " EMF");
    QByteArray ico = QByteArray::fromHex("00000100010010100000010020006804000016000000");
    const struct {
        QByteArray bytes;
        const char* key;
    } cases[] = {
        {imageBytes(kRed, "PNG"), "PNG"},
        {imageBytes(kRed, "JPG"), "JPG"},
        {imageBytes(kRed, "BMP"), "BMP"},
        {"GIF89a\x03\0\x02\0", "GIF"},
        {"GIF87a\x03\0\x02\0", "GIF"},
        {QByteArray("FWS\x06\x20\0\0\0\x50", 9), "SWF"},
        {QByteArray("CWS\x07\x20\0\0\0\x78", 9), "SWF"},
        {QByteArray("II*\0\x08\0\0\0", 8), "TIF"},
        {QByteArray("MM\0*\0\0\0\x08", 8), "TIF"},
        {QByteArray("8BPS\0\1\0\0", 8), "PSD"},
        {QByteArray("Paint Shop Pro Image File\n\x1a\0\0\0\0", 32), "PSP"},
        {QByteArray::fromHex("d7cdc69a00000000"), "WMF"},
        {emf, "EMF"},
        {ico, "ICO"},
        // Web content that is not a picture, and signatures cut short.
        {"<!DOCTYPE html><html>", ""},
        {"{\"json\": true}", ""},
        {QByteArray::fromHex("1f8b0800000000000003"), ""},
        {"RIFF\x10\0\0\0WEBPVP8 ", ""},
        {QByteArray::fromHex("89504e470d0a"), ""},
        {"BM", ""},
        {"FWS", ""},
        {QByteArray::fromHex("0000010000001010"), ""},  // an icon directory without images
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyOf(c.bytes), QLatin1String(c.key)) << c.bytes.left(12).toHex().constData();
}

class CacheTree : public ::testing::Test {
protected:
    QString at(const QString& relative) const { return dir.path() + QLatin1Char('/') + relative; }
    QTemporaryDir dir;
};

TEST_F(CacheTree, EntriesAreToldByTheirContentInBothLayouts)
{
    const QByteArray png = imageBytes(kRed, "PNG");
    const QByteArray jpg = imageBytes(kRed, "JPG");
    const QByteArray key = "1/0/_dk_https://a.example https://a.example/pic.jpg";
    const struct {
        QString path;
        const char* key;
        qint64 offset;
    } cases[] = {
        {put(at("ff/3A4F"), firefoxEntry(png)), "PNG", 0},
        {put(at("cr/aa_0"), chromiumEntry(jpg, key)), "JPG", 24 + key.size()},
        {put(at("cr/ab_0"), chromiumEntry(jpg, key, true)), "JPG", 24 + key.size()},
        {put(at("cr/f_000001"), jpg), "JPG", 0},  // an external data file of the older layout
        {put(at("cr/html_0"), chromiumEntry("<html></html>")), nullptr, 0},
        {put(at("ff/html"), firefoxEntry("<html></html>")), nullptr, 0},
        {put(at("empty"), QByteArray()), nullptr, 0},
    };
    // A simple cache header whose key runs past the end of the file is not an entry.
    QByteArray lying = chromiumEntry(png).left(40);
    lying[12] = '\x7f';
    lying[13] = '\x7f';
    const QString liar = put(at("cr/lying_0"), lying);
    vx::BrowserCacheList list;
    list.ScanFolderTree(dir.path() + QLatin1Char('/'));
    for (const auto& c : cases) {
        const vx::CacheEntry* entry = list.find(c.path);
        ASSERT_EQ(entry != nullptr, c.key != nullptr) << c.path.toStdString();
        EXPECT_EQ(list.files.contains(c.path), c.key != nullptr) << c.path.toStdString();
        if (entry) {
            EXPECT_EQ(entry->key, QLatin1String(c.key));
            EXPECT_EQ(entry->offset, c.offset);
        }
    }
    EXPECT_EQ(list.find(liar), nullptr);
}

TEST_F(CacheTree, BodiesComeOutWhole)
{
    const QByteArray jpg = imageBytes(kRed, "JPG");
    vx::BrowserCacheList list;
    put(at("a_0"), chromiumEntry(jpg));
    put(at("b_0"), chromiumEntry(jpg, "1/0/_dk_x", true));
    put(at("c"), firefoxEntry(jpg));
    list.ScanFolderTree(dir.path() + QLatin1Char('/'));
    ASSERT_EQ(list.files.size(), 3);
    for (const QString& name : {QStringLiteral("a_0"), QStringLiteral("b_0")}) {
        QFile body(list.contentFile(at(name)));
        ASSERT_TRUE(body.open(QIODevice::ReadOnly));
        EXPECT_EQ(body.readAll(), jpg) << name.toStdString();
    }
    // Firefox content starts the file: the decoder reads the entry itself.
    EXPECT_EQ(list.contentFile(at("c")), at("c"));
    // An entry gone since the scan can't be read.
    QFile::remove(at("a_0"));
    EXPECT_THROW(list.contentFile(at("a_0")), std::runtime_error);
}

TEST_F(CacheTree, DepthFirstInNameOrderWithoutFollowingLinks)
{
    const QByteArray png = firefoxEntry(imageBytes(kRed, "PNG"));
    put(at("root/B"), png);
    put(at("root/a/2"), png);
    put(at("root/a/1"), png);
    put(at("root/a/deeper/x"), png);
    put(at("root/C/1"), png);
    put(at("root/C/script"), firefoxEntry("function f() {}"));
    put(at("root/D"), png);
    // A loop back to the root, a link to a picture and a pipe are skipped.
    ASSERT_EQ(symlink(QFile::encodeName(at("root")).constData(), QFile::encodeName(at("root/a/loop")).constData()), 0);
    ASSERT_EQ(symlink(QFile::encodeName(at("root/B")).constData(), QFile::encodeName(at("root/link")).constData()), 0);
    ASSERT_EQ(mkfifo(QFile::encodeName(at("root/pipe")).constData(), 0600), 0);
    // A huge sparse file: only its first bytes are read.
    {
        QFile huge(put(at("root/E"), png.left(64)));
        ASSERT_TRUE(huge.open(QIODevice::ReadWrite));
        ASSERT_TRUE(huge.resize(qint64(3) << 30));
    }

    vx::BrowserCacheList list;
    list.ScanFolderTree(at("root/"));
    QStringList relative;
    for (const QString& f : list.files)
        relative << f.mid(dir.path().size() + 1);
    // Byte order puts upper case before lower case.
    EXPECT_EQ(relative, (QStringList{"root/B", "root/C/1", "root/D", "root/E", "root/a/1", "root/a/2",
                                     "root/a/deeper/x"}));
    EXPECT_EQ(list.find(at("root/C/1"))->key, QStringLiteral("PNG"));
    EXPECT_EQ(list.find(at("root/C/script")), nullptr);
}

TEST_F(CacheTree, UnreadableFoldersAddNothing)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "permissions don't stop the superuser";
    const QByteArray png = firefoxEntry(imageBytes(kRed, "PNG"));
    put(at("root/open/1"), png);
    put(at("root/shut/1"), png);
    chmod(QFile::encodeName(at("root/shut")).constData(), 0);
    vx::BrowserCacheList list;
    list.ScanFolderTree(at("root/"));
    chmod(QFile::encodeName(at("root/shut")).constData(), 0700);
    EXPECT_EQ(list.files, QStringList{at("root/open/1")});
}

TEST_F(CacheTree, RootsOfEveryBrowserAndProfileInAFixedOrder)
{
    for (const char* folder : {"mozilla/firefox/zz.default/cache2/entries", "mozilla/firefox/ab.work/cache2/entries",
                               "mozilla/firefox/noprofile/other", "chromium/Default/Cache/Cache_Data",
                               "google-chrome/Profile 1/Cache/Cache_Data", "google-chrome/Default/Cache/Cache_Data",
                               "BraveSoftware/Brave-Browser/Default/Cache/Cache_Data",
                               "vivaldi/Default/Cache/Cache_Data", "microsoft-edge/Default/Cache/Cache_Data",
                               "unknown-browser/Default/Cache/Cache_Data"})
        QDir().mkpath(at(QLatin1String(folder)));
    QStringList relative;
    for (const QString& root : vx::browserCacheRoots(dir.path()))
        relative << root.mid(dir.path().size() + 1);
    EXPECT_EQ(relative, (QStringList{"mozilla/firefox/ab.work/cache2/entries/",
                                     "mozilla/firefox/zz.default/cache2/entries/",
                                     "chromium/Default/Cache/Cache_Data/",
                                     "google-chrome/Default/Cache/Cache_Data/",
                                     "google-chrome/Profile 1/Cache/Cache_Data/",
                                     "BraveSoftware/Brave-Browser/Default/Cache/Cache_Data/",
                                     "vivaldi/Default/Cache/Cache_Data/",
                                     "microsoft-edge/Default/Cache/Cache_Data/"}));
    EXPECT_TRUE(vx::browserCacheRoots(at("nothing-here")).isEmpty());
}

}  // namespace
