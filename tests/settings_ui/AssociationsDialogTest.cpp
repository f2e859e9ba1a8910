// The file types page end to end: the touched flag, the emulated hives, and
// the desktop's own answer (xdg-mime, gio, desktop-file-validate) in a fresh
// XDG home.
#include "SettingsDialogFixture.h"

#include "platform/Registry.h"
#include "platform/XdgAssociations.h"
#include "settings/FileAssociations.h"
#include "settings/SettingsKey.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>

using namespace vx;

namespace {

int rowOf(const QString& item)
{
    const auto& rows = associationRows();
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].item == item)
            return int(i);
    return -1;
}

void check(SettingsForm& d, const QString& item, bool on)
{
    d.FileTypeCheckListBox->item(rowOf(item))->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// Runs a desktop tool in the test's XDG home with no desktop environment set.
QString run(const QString& tool, const QStringList& arguments, int* exitCode = nullptr)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"})
        env.remove(QLatin1String(name));
    p.setProcessEnvironment(env);
    p.start(tool, arguments);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitCode();
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST_F(SettingsDialogTest, TouchedListSurvivesCancelAndApplyWritesTheReloadedStates)
{
    seedDefaults();
    start();
    // Apply without touching the list writes nothing, not even the skin type.
    showDialog([](SettingsForm& d) { d.OKButton->click(); });
    EXPECT_FALSE(registryKeyExists(Hive::ClassesRoot, QStringLiteral(".vxskin")));

    showDialog([](SettingsForm& d) {
        EXPECT_FALSE(d.fileTypesTouched());
        check(d, QStringLiteral("PNG"), true);
        EXPECT_TRUE(d.fileTypesTouched());
        d.CancelButton->click();
    });
    EXPECT_FALSE(IsExtensionAssociated(QStringLiteral(".png")));
    showDialog([](SettingsForm& d) {
        EXPECT_EQ(d.FileTypeCheckListBox->item(rowOf(QStringLiteral("PNG")))->checkState(), Qt::Unchecked);
        EXPECT_TRUE(d.fileTypesTouched());
        d.AcceptButton->click();
        EXPECT_FALSE(d.fileTypesTouched());
    });
    EXPECT_TRUE(registryKeyExists(Hive::ClassesRoot, QStringLiteral("VextrelViewer.vxskin")));
    EXPECT_FALSE(IsExtensionAssociated(QStringLiteral(".png")));
}

TEST_F(SettingsDialogTest, CheckedTypesReachTheDesktopAndUncheckingGivesBackOnlyOurs)
{
    for (const char* tool : {"xdg-mime", "desktop-file-validate"})
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty())
            GTEST_SKIP() << tool << " is not installed (scripts/setup.sh installs it)";
    seedDefaults();
    const QString list = home->configDir() + QStringLiteral("/mimeapps.list");
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("# kept\n[Default Applications]\nimage/bmp=otherpaint.desktop;\n\n[Added Associations]\nimage/png=gimp.desktop;\n");
    }
    // The other program is installed: the desktop only names installed programs.
    {
        QDir().mkpath(xdgDataHome() + QStringLiteral("/applications"));
        QFile f(xdgDataHome() + QStringLiteral("/applications/otherpaint.desktop"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nName=Other Paint\nExec=otherpaint %f\nMimeType=image/bmp;\n");
    }
    start();
    showDialog([](SettingsForm& d) {
        check(d, QStringLiteral("PNG"), true);
        check(d, QStringLiteral("JPG/JPEG/JPE"), true);
        check(d, QStringLiteral("CUT"), true);
        d.OKButton->click();
    });
    EXPECT_TRUE(IsExtensionAssociated(QStringLiteral(".png")));
    EXPECT_TRUE(IsExtensionAssociated(QStringLiteral(".jpe")));
    for (const char* type : {"image/png", "image/jpeg"})
        EXPECT_EQ(run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QLatin1String(type)}),
                  kDesktopFileName)
            << type;
    // The file a desktop would pick for a PNG, and its type for a CUT file.
    EXPECT_EQ(run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"),
                                               mimeTypeForExtension(QStringLiteral("cut"))}),
              kDesktopFileName);
    const QString entry = xdgDataHome() + QStringLiteral("/applications/") + kDesktopFileName;
    int validateExit = -1;
    const QString problems = run(QStringLiteral("desktop-file-validate"), {entry}, &validateExit);
    EXPECT_EQ(validateExit, 0) << problems.toStdString();
    EXPECT_TRUE(problems.isEmpty()) << problems.toStdString();
    const QString entryText = QString::fromUtf8(readAll(entry));
    EXPECT_TRUE(entryText.contains(QStringLiteral("Exec=") + desktopExecLine(QCoreApplication::applicationFilePath())));
    EXPECT_TRUE(entryText.contains(QStringLiteral("image/png;")));
    EXPECT_TRUE(QFile::exists(xdgDataHome() + QStringLiteral("/icons/hicolor/128x128/apps/vextrel-viewer.png")));
    if (!QStandardPaths::findExecutable(QStringLiteral("gio")).isEmpty()) {
        EXPECT_TRUE(run(QStringLiteral("gio"), {QStringLiteral("mime"), QStringLiteral("image/png")})
                        .contains(kDesktopFileName));
    }

    showDialog([](SettingsForm& d) {
        EXPECT_EQ(d.FileTypeCheckListBox->item(rowOf(QStringLiteral("PNG")))->checkState(), Qt::Checked);
        d.UnSelAllFileTypeButton->click();
        d.OKButton->click();
    });
    EXPECT_NE(run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("image/png")}),
              kDesktopFileName);
    EXPECT_EQ(run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("image/bmp")}),
              QStringLiteral("otherpaint.desktop"));
    const QByteArray after = readAll(list);
    EXPECT_TRUE(after.startsWith("# kept\n[Default Applications]\nimage/bmp=otherpaint.desktop;\n")) << after.constData();
    EXPECT_TRUE(after.contains("[Added Associations]\nimage/png=gimp.desktop;\n")) << after.constData();
    // Only the skin packages stay ours.
    EXPECT_EQ(after.count(kDesktopFileName.toUtf8()), 1) << after.toStdString();
    EXPECT_TRUE(after.contains("application/x-vextrel-skin=" + kDesktopFileName.toUtf8())) << after.toStdString();
    EXPECT_TRUE(IsExtensionAssociated(QStringLiteral(".vxskin")));
}

TEST_F(SettingsDialogTest, FailingWritesEndApplyWithAClearMessage)
{
    seedDefaults();
    seedInt(QStringLiteral("ShowStartLogo"), 0);
    start();
    // A read-only mimeapps.list: Apply stops at the associations, the file stays whole.
    const QString list = home->configDir() + QStringLiteral("/mimeapps.list");
    const QByteArray listBefore = "[Default Applications]\nimage/png=gimp.desktop;\n";
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(listBefore);
    }
    QFile::setPermissions(list, QFileDevice::ReadOwner);
    showDialog([&](SettingsForm& d) {
        check(d, QStringLiteral("PNG"), true);
        d.ScaleAlllRadioButton->setChecked(true);
        d.OKButton->click();
        EXPECT_TRUE(d.isVisible());  // OK doesn't close over a failed Apply
        EXPECT_TRUE(d.fileTypesTouched());
    });
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(list)) << messages[0].toStdString();
    EXPECT_EQ(readAll(list), listBefore);
    EXPECT_EQ(form->state().imageScale, 1);  // the later steps didn't run
    QFile::setPermissions(list, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // A read-only settings hive: the first write ends Apply with its text;
    // the filling reports defaults it can't write with message 11.
    messages.clear();
    const QString hive = registryFolder() + QStringLiteral("/local_machine.reg");
    ASSERT_TRUE(QFile::exists(hive));
    RegistryKey key;
    ASSERT_TRUE(key.open(kSettingsHive, kSettingsKeyPath, false));
    key.deleteValue(QStringLiteral("SetWall"));
    const QByteArray hiveBefore = readAll(hive);
    QFile::setPermissions(hive, QFileDevice::ReadOwner);
    showDialog([&](SettingsForm& d) {
        d.AcceptButton->click();
        EXPECT_TRUE(d.isVisible());
    });
    QFile::setPermissions(hive, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_EQ(messages.size(), 2) << messages.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(messages[0], QStringLiteral("Cannot write to registry =("));
    EXPECT_TRUE(messages[1].contains(QStringLiteral("read-only"))) << messages[1].toStdString();
    EXPECT_EQ(readAll(hive), hiveBefore);
}
