#include "platform/HiveFile.h"
#include "platform/Registry.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
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

TEST(Registry, CorruptFileIsKeptAsideAndNeverOverwritten)
{
    TempHome home;
    QDir().mkpath(registryFolder());
    const QByteArray garbage("REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=broken\x01\x02\n");
    {
        QFile f(hiveFilePath(Hive::LocalMachine));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(garbage);
    }
    RegistryKey k;
    EXPECT_FALSE(k.open(Hive::LocalMachine, kPath, false));
    ASSERT_TRUE(k.open(Hive::LocalMachine, kPath, true));
    k.writeInteger(QStringLiteral("ImageScale"), 1);

    const QStringList aside = QDir(registryFolder()).entryList({QStringLiteral("local_machine.reg.corrupt-*")});
    ASSERT_EQ(aside.size(), 1);
    QFile kept(registryFolder() + QLatin1Char('/') + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_TRUE(readHiveFile(Hive::LocalMachine).contains("\"ImageScale\"=dword:00000001"));
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
    EXPECT_TRUE(QDir(registryFolder()).entryList({QStringLiteral("*.corrupt-*")}).isEmpty());
}
