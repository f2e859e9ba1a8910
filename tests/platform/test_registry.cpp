#include "platform/HiveFile.h"
#include "platform/Registry.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vx;

namespace {

const QString kPath = QStringLiteral("SOFTWARE\\Vextrel Viewer\\version 2.03");

QByteArray readHiveFile(Hive hive)
{
    QFile f(hiveFilePath(hive));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(Registry, OpenWithoutCreateFailsAndCreateWritesKeyLines)
{
    TempHome home;
    RegistryKey key;
    EXPECT_FALSE(key.open(Hive::LocalMachine, kPath, false));
    ASSERT_TRUE(key.open(Hive::LocalMachine, kPath, true));
    key.writeString(QStringLiteral("Skin"), QStringLiteral("C:\\a \"b\""));
    key.writeInteger(QStringLiteral("ImageScale"), 10);
    key.writeBool(QStringLiteral("FullScreen"), true);
    const QByteArray text = readHiveFile(Hive::LocalMachine);
    EXPECT_TRUE(text.startsWith("REGEDIT4\n"));
    EXPECT_TRUE(text.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vextrel Viewer\\version 2.03]\n"));
    EXPECT_TRUE(text.contains("\"Skin\"=\"C:\\\\a \\\"b\\\"\"\n"));
    EXPECT_TRUE(text.contains("\"ImageScale\"=dword:0000000a\n"));
    EXPECT_TRUE(text.contains("\"FullScreen\"=dword:00000001\n"));
    // Parent keys exist too, as in an export.
    EXPECT_TRUE(registryKeyExists(Hive::LocalMachine, QStringLiteral("software")));
}

TEST(Registry, NamesIgnoreCaseAndTypesAreChecked)
{
    TempHome home;
    RegistryKey w;
    ASSERT_TRUE(w.open(Hive::LocalMachine, kPath, true));
    w.writeString(QStringLiteral("Language"), QStringLiteral("/x/Russian.lng"));
    w.writeInteger(QStringLiteral("FormWidth"), -5);

    RegistryKey r;
    ASSERT_TRUE(r.open(Hive::LocalMachine, kPath.toUpper(), false));
    EXPECT_EQ(r.readString(QStringLiteral("LANGUAGE")), QStringLiteral("/x/Russian.lng"));
    EXPECT_EQ(r.readInteger(QStringLiteral("formwidth")), -5);
    EXPECT_TRUE(r.readBool(QStringLiteral("FormWidth")));
    EXPECT_THROW(r.readInteger(QStringLiteral("Language")), RegistryError);
    EXPECT_THROW(r.readString(QStringLiteral("FormWidth")), RegistryError);
    EXPECT_THROW(r.readString(QStringLiteral("Missing")), RegistryError);
    EXPECT_FALSE(r.valueExists(QStringLiteral("Missing")));

    // Other hives are separate files.
    RegistryKey u;
    EXPECT_FALSE(u.open(Hive::CurrentUser, kPath, false));
}

TEST(Registry, DeleteValueKeyTreeAndListing)
{
    TempHome home;
    RegistryKey k;
    ASSERT_TRUE(k.open(Hive::ClassesRoot, QStringLiteral(".jpg"), true));
    k.writeString(QString(), QStringLiteral("VextrelViewer.jpg"));
    RegistryKey s;
    ASSERT_TRUE(s.open(Hive::ClassesRoot, QStringLiteral("VextrelViewer.jpg\\shell\\open\\command"), true));
    s.writeString(QString(), QStringLiteral("viewer \"%1\""));
    EXPECT_TRUE(readHiveFile(Hive::ClassesRoot).contains("@=\"VextrelViewer.jpg\"\n"));

    RegistryKey top;
    ASSERT_TRUE(top.open(Hive::ClassesRoot, QStringLiteral("VextrelViewer.jpg"), false));
    EXPECT_EQ(top.subKeyNames(), QStringList{QStringLiteral("shell")});
    ASSERT_TRUE(k.open(Hive::ClassesRoot, QStringLiteral(".JPG"), false));
    EXPECT_EQ(k.valueNames(), QStringList{QString()});
    EXPECT_TRUE(k.deleteValue(QString()));
    EXPECT_FALSE(k.deleteValue(QString()));

    EXPECT_TRUE(deleteRegistryKey(Hive::ClassesRoot, QStringLiteral("vextrelviewer.JPG")));
    EXPECT_FALSE(registryKeyExists(Hive::ClassesRoot, QStringLiteral("VextrelViewer.jpg\\shell\\open")));
    EXPECT_TRUE(registryKeyExists(Hive::ClassesRoot, QStringLiteral(".jpg")));
    EXPECT_FALSE(deleteRegistryKey(Hive::ClassesRoot, QStringLiteral("VextrelViewer.jpg")));
}

TEST(Registry, HandEditedFileIsRead)
{
    TempHome home;
    QDir().mkpath(registryFolder());
    QFile f(hiveFilePath(Hive::LocalMachine));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("REGEDIT4\r\n\r\n; edited by hand\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vextrel Viewer\\version 2.03]\r\n"
            "\"BackColor\"=\"clRed\"\r\n\"ImageScale\"=dword:00000002\r\n");
    f.close();
    RegistryKey k;
    ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, false));
    EXPECT_EQ(k.readString(QStringLiteral("BackColor")), QStringLiteral("clRed"));
    EXPECT_EQ(k.readInteger(QStringLiteral("ImageScale")), 2);
}

namespace {

void writeHiveFile(Hive hive, const QByteArray& bytes)
{
    QDir().mkpath(registryFolder());
    QFile f(hiveFilePath(hive));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray utf16File(const QString& text)
{
    QByteArray bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return bytes;
}

const QByteArray kGoodKey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vextrel Viewer\\version 2.03]\r\n"
                            "\"Language\"=\"/x/English.lng\"\r\n"
                            "\"FormWidth\"=dword:00000280\r\n";

}  // namespace

TEST(Registry, EveryValueOutsideABadLineIsKeptAndTheOriginalIsCopiedBeside)
{
    struct Case {
        const char* what;
        QByteArray file;
        bool skips;
    };
    const QByteArray junk64k(64 * 1024, '#');
    const Case cases[] = {
        {"a cut last line", "REGEDIT4\r\n" + kGoodKey + "\"ImageScale\"=dword:00000002\r\n\"FormHei", true},
        {"one junk line", "REGEDIT4\r\n" + kGoodKey + "this is not a value\r\n\"ImageScale\"=dword:2\r\n", true},
        {"64 KB of junk", "REGEDIT4\r\n" + kGoodKey + junk64k + "\r\n\"ImageScale\"=dword:2\r\n", true},
        {"junk instead of a header", "garbage\r\n" + kGoodKey + "\"ImageScale\"=dword:2\r\n", true},
        {"an unclosed string", "REGEDIT4\r\n" + kGoodKey + "\"Skin\"=\"/a/b\r\n\"ImageScale\"=dword:2\r\n", true},
        {"a bad dword", "REGEDIT4\r\n" + kGoodKey + "\"FullScreen\"=dword:xyz\r\n\"ImageScale\"=dword:2\r\n", true},
        {"Registry Editor 5 in UTF-16",
         utf16File(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") + QString::fromLatin1(kGoodKey)
                   + QStringLiteral("\"ImageScale\"=dword:00000002\r\n")),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempHome home;
        writeHiveFile(Hive::LocalMachine, c.file);
        RegistryKey k;
        ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, false));
        EXPECT_EQ(k.readString(QStringLiteral("Language")), QStringLiteral("/x/English.lng"));
        EXPECT_EQ(k.readInteger(QStringLiteral("FormWidth")), 640);
        EXPECT_EQ(k.readInteger(QStringLiteral("ImageScale")), 2);

        k.writeInteger(QStringLiteral("FormHeight"), 480);
        RegistryKey again;
        ASSERT_TRUE(again.open(Hive::LocalMachine, kPath, false));
        EXPECT_EQ(again.readString(QStringLiteral("Language")), QStringLiteral("/x/English.lng"));
        EXPECT_EQ(again.readInteger(QStringLiteral("ImageScale")), 2);
        EXPECT_EQ(again.readInteger(QStringLiteral("FormHeight")), 480);

        const QStringList copies = QDir(registryFolder()).entryList({QStringLiteral("local_machine.reg.bad-*")});
        ASSERT_EQ(copies.size(), c.skips ? 1 : 0);
        if (c.skips) {
            QFile kept(registryFolder() + QLatin1Char('/') + copies.first());
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), c.file);
        }
    }
}

TEST(Registry, ValuesCommentsAndKeysWeDontUseAreWrittenBackUnchanged)
{
    TempHome home;
    const QList<QByteArray> kept = {
        "; exported by hand",
        "\"Binary\"=hex:01,02,ff",
        "\"Expand\"=hex(2):25,00,48,00,4f,00,4d,00,\\",
        "  45,00,25,00,00,00",
        "\"Multi\"=hex(7):61,00,00,00,00,00",
        "\"ImageScale\"=DWORD:00000003",
        "[HKEY_CURRENT_USER\\Software\\Other]",
        "\"Foreign\"=\"kept\"",
    };
    writeHiveFile(Hive::LocalMachine,
                  "REGEDIT4\n" + kept[0] + "\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vextrel Viewer\\version 2.03]\n" + kept[1]
                      + "\n" + kept[2] + "\n" + kept[3] + "\n" + kept[4] + "\n" + kept[5] + "\n\n" + kept[6] + "\n"
                      + kept[7] + "\n");
    RegistryKey k;
    ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, false));
    EXPECT_EQ(k.readInteger(QStringLiteral("ImageScale")), 3);
    EXPECT_THROW(k.readString(QStringLiteral("Expand")), RegistryError);
    k.writeString(QStringLiteral("Skin"), QStringLiteral("/s.vxskin"));
    const QByteArray text = readHiveFile(Hive::LocalMachine);
    for (const QByteArray& line : kept)
        EXPECT_TRUE(text.contains(line + "\n")) << line.constData();
    EXPECT_TRUE(text.contains("\"Skin\"=\"/s.vxskin\"\n"));
    EXPECT_TRUE(QDir(registryFolder()).entryList({QStringLiteral("*.bad-*")}).isEmpty());

    // A UTF-16 export stays one.
    writeHiveFile(Hive::CurrentUser, utf16File(QStringLiteral("Windows Registry Editor Version 5.00\r\n")));
    RegistryKey u;
    ASSERT_TRUE(u.open(Hive::CurrentUser, QStringLiteral("Software\\A"), true));
    u.writeInteger(QStringLiteral("N"), 1);
    EXPECT_EQ(readHiveFile(Hive::CurrentUser),
              utf16File(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n"
                                       "\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"N\"=dword:00000001\r\n")));
}

TEST(Registry, ReadOnlyFileIsNotReplacedAndAReplacedFileKeepsItsMode)
{
    // An unchanged value leaves the file as it is, unless it is read-only:
    // then the write still reports that.
    TempHome home;
    const QByteArray original = "REGEDIT4\n\n" + kGoodKey;
    writeHiveFile(Hive::LocalMachine, original);
    const QString path = hiveFilePath(Hive::LocalMachine);
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadGroup));
    RegistryKey k;
    ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, false));
    EXPECT_THROW(k.writeInteger(QStringLiteral("FormHeight"), 1), RegistryError);
    EXPECT_THROW(k.writeInteger(QStringLiteral("FormWidth"), 640), RegistryError);
    EXPECT_EQ(readHiveFile(Hive::LocalMachine), original);

    const auto mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path, mode));
    k.writeInteger(QStringLiteral("FormHeight"), 1);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    k.writeInteger(QStringLiteral("FormHeight"), 1);
    struct stat same {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &same), 0);
    EXPECT_EQ(same.st_ino, st.st_ino);
}

TEST(Registry, BatchWritesOnceAndOtherWritersKeepTheirValues)
{
    TempHome home;
    RegistryKey k;
    ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, true));
    k.writeInteger(QStringLiteral("Gone"), 1);
    const QByteArray before = readHiveFile(Hive::LocalMachine);
    {
        RegistryBatch batch;
        k.writeInteger(QStringLiteral("A"), 1);
        k.writeString(QStringLiteral("B"), QStringLiteral("two"));
        EXPECT_TRUE(k.deleteValue(QStringLiteral("Gone")));
        RegistryKey other;
        ASSERT_TRUE(other.open(Hive::LocalMachine, kPath, false));
        EXPECT_EQ(other.readString(QStringLiteral("B")), QStringLiteral("two"));
        EXPECT_EQ(readHiveFile(Hive::LocalMachine), before);
        // Another program writes meanwhile.
        writeHiveFile(Hive::LocalMachine, before + "\"Theirs\"=dword:00000007\n");
        batch.commit();
    }
    RegistryKey r;
    ASSERT_TRUE(r.open(Hive::LocalMachine, kPath, false));
    EXPECT_EQ(r.readInteger(QStringLiteral("A")), 1);
    EXPECT_EQ(r.readString(QStringLiteral("B")), QStringLiteral("two"));
    EXPECT_EQ(r.readInteger(QStringLiteral("Theirs")), 7);
    EXPECT_FALSE(r.valueExists(QStringLiteral("Gone")));
}

TEST(Registry, ConcurrentWritersFromTwoProcessesLoseNothing)
{
    TempHome home;
    constexpr int kPerProcess = 60;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            int failures = 0;
            for (int i = 0; i < kPerProcess; ++i) {
                RegistryKey k;
                if (!k.open(Hive::LocalMachine, kPath, true)) {
                    ++failures;
                    continue;
                }
                try {
                    k.writeInteger(QStringLiteral("P%1_%2").arg(c).arg(i), i);
                } catch (...) {
                    ++failures;
                }
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    RegistryKey k;
    ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, false));
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kPerProcess; ++i)
            EXPECT_EQ(k.readInteger(QStringLiteral("P%1_%2").arg(c).arg(i)), i);
    EXPECT_TRUE(QDir(registryFolder()).entryList({QStringLiteral("*.bad-*")}).isEmpty());
}
