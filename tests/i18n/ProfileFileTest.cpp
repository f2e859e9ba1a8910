#include "i18n/ProfileFile.h"
#include "i18n/SetLanguageModule.h"
#include "i18n/TextCodec.h"
#include "i18n/TestFiles.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

using vx::ProfileFile;
using vx::ReadLangString;

namespace {

ProfileFile parsed(const QByteArray& bytes)
{
    ProfileFile p;
    p.parse(bytes);
    return p;
}

}  // namespace

TEST(ProfileFile, LookupRulesOfTheProfileFormat)
{
    const ProfileFile p = parsed(
        "; comment\r\n"
        "[Main]\r\n"
        "1 = Open it  \r\n"
        "2=a=b==c\r\n"
        "3=\r\n"
        "4=\"  quoted  \"\r\n"
        "5='single'\r\n"
        "6=\"mismatched'\r\n"
        "7=\"\r\n"
        "  KEY8  =  spaced  \r\n"
        "1=second one is ignored\r\n"
        "[ messages ]\n"
        "12=All\n"
        "[MAIN]\n"
        "9=repeated section is ignored\n");
    EXPECT_EQ(p.value("main", "1", "d"), "Open it");
    EXPECT_EQ(p.value("Main", "2", "d"), "a=b==c");
    bool found = false;
    EXPECT_EQ(p.value("Main", "3", "d", &found), "");
    EXPECT_TRUE(found);
    EXPECT_EQ(p.value("Main", "4", "d"), "  quoted  ");
    EXPECT_EQ(p.value("Main", "5", "d"), "single");
    EXPECT_EQ(p.value("Main", "6", "d"), "\"mismatched'");
    EXPECT_EQ(p.value("Main", "7", "d"), "\"");
    EXPECT_EQ(p.value("main", "key8", "d"), "spaced");
    EXPECT_EQ(p.value("Messages", "12", "d"), "All");
    EXPECT_EQ(p.value("Main", "9", "d", &found), "d");
    EXPECT_FALSE(found);
    EXPECT_EQ(p.value("Nope", "1", "d"), "d");
    EXPECT_EQ(p.keys("MAIN"), QStringList({"1", "2", "3", "4", "5", "6", "7", "KEY8"}));
}

TEST(ProfileFile, ReadLangStringDefaultsAndLimits)
{
    QTemporaryDir dir;
    const QString longValue(3000, u'x');
    const QString path = vxtest::writeFile(
        dir, "a.lng", "[Main]\n1=\n2=  \n3=" + longValue.toLatin1() + "\n4=x=y\n");
    EXPECT_EQ(ReadLangString(path, "Main", "1", "Open"), "Open");
    EXPECT_EQ(ReadLangString(path, "Main", "2", "Save"), "Save");
    EXPECT_EQ(ReadLangString(path, "Main", "3", "d"), longValue.left(2047));
    EXPECT_EQ(ReadLangString(path, "Main", "4", "d"), "x=y");
    EXPECT_EQ(ReadLangString(path, "Main", "5", "d"), "d");
    EXPECT_EQ(ReadLangString(dir.filePath("missing.lng"), "Main", "1", "d"), "d");
    EXPECT_EQ(ReadLangString(dir.path(), "Main", "1", "d"), "d");  // a folder
    EXPECT_EQ(ReadLangString(path, "Info", "Prog", ""), "");
}

TEST(ProfileFile, EncodingUtf8OrWindows1251)
{
    // "Открыть" in Windows-1251 and in UTF-8 (with a byte order mark).
    const QByteArray cp1251 = "[Main]\r\n1=\xCE\xF2\xEA\xF0\xFB\xF2\xFC\r\n2=\xA8\xB8\xB9\x98\r\n";
    const ProfileFile a = parsed(cp1251);
    EXPECT_EQ(a.value("Main", "1", ""), QString::fromUtf8("Открыть"));
    EXPECT_EQ(a.value("Main", "2", ""), QString::fromUtf8("Ёё№\uFFFD"));
    const ProfileFile b = parsed("\xEF\xBB\xBF[Main]\n1=" + QString::fromUtf8("Открыть").toUtf8());
    EXPECT_EQ(b.value("Main", "1", ""), QString::fromUtf8("Открыть"));
    EXPECT_EQ(vx::decodeCp437("\x80\x9C\xE1\xFF"), QString::fromUtf8("Ç£ß\u00A0"));
}

TEST(ProfileFile, HostileFilesStayBounded)
{
    QTemporaryDir dir;
    QByteArray random(1 << 20, '\0');
    QRandomGenerator gen(7);
    for (auto& c : random)
        c = char(gen.bounded(256));
    const QString rnd = vxtest::writeFile(dir, "random.lng", random);
    EXPECT_EQ(ReadLangString(rnd, "Main", "1", "Open"), "Open");

    // 50 MB: only the first part is read; a key near the start is found,
    // one past the read limit is not.
    QByteArray big = "[Main]\n1=first\n";
    const QByteArray filler(1024, 'a');
    while (big.size() < 50 * 1024 * 1024) {
        big += "k=";
        big += filler;
        big += '\n';
    }
    big += "13=late\n";
    const QString bigPath = vxtest::writeFile(dir, "big.lng", big);
    const ProfileFile p(bigPath);
    EXPECT_EQ(p.value("Main", "1", "d"), "first");
    EXPECT_EQ(p.value("Main", "13", "d"), "d");
}
