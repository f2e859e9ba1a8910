// The desktop side of file associations: editing mimeapps.list keeps every
// line that isn't ours, Exec lines survive odd paths, and files that can't
// be written are left as they were.
#include "platform/XdgAssociations.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace vx;

namespace {

const QString kOurs = QStringLiteral("vextrel-viewer.desktop");

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

TEST(MimeAppsList, ClaimsAndReleasesOnlyOurEntries)
{
    struct Case {
        const char* name;
        const char* before;
        QStringList claim;
        QStringList release;
        const char* after;
    };
    const Case cases[] = {
        {"empty file gets the section", "", {"image/png"}, {},
         "[Default Applications]\nimage/png=vextrel-viewer.desktop;\n"},
        {"other sections, comments and programs stay",
         "# my defaults\n[Added Associations]\nimage/png=gimp.desktop;\n\n[Default Applications]\n"
         "image/bmp=paint.desktop\n# keep me\ntext/plain=gedit.desktop;\n\n[Removed Associations]\nimage/gif=x.desktop;\n",
         {"image/png", "image/bmp"}, {},
         "# my defaults\n[Added Associations]\nimage/png=gimp.desktop;\n\n[Default Applications]\n"
         "image/bmp=vextrel-viewer.desktop;paint.desktop;\n# keep me\ntext/plain=gedit.desktop;\n"
         "image/png=vextrel-viewer.desktop;\n\n[Removed Associations]\nimage/gif=x.desktop;\n"},
        {"release drops our name, the line only when it is empty",
         "[Default Applications]\nimage/png=vextrel-viewer.desktop;\nimage/bmp=vextrel-viewer.desktop;paint.desktop;\n"
         "image/gif=gthumb.desktop;\n",
         {}, {"image/png", "image/bmp", "image/gif"},
         "[Default Applications]\nimage/bmp=paint.desktop;\nimage/gif=gthumb.desktop;\n"},
        {"claiming twice changes nothing", "[Default Applications]\nimage/png=vextrel-viewer.desktop;\n",
         {"image/png"}, {}, "[Default Applications]\nimage/png=vextrel-viewer.desktop;\n"},
        {"no final newline, odd spacing",
         "[Foo]\na=b\n[Default Applications]\n image/jpeg = eog.desktop ;", {"image/jpeg"}, {},
         "[Foo]\na=b\n[Default Applications]\nimage/jpeg=vextrel-viewer.desktop;eog.desktop;"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(editMimeAppsList(c.before, kOurs, c.claim, c.release).toStdString(), std::string(c.after)) << c.name;
}

TEST(DesktopEntry, ExecQuotesPathsThatNeedIt)
{
    EXPECT_EQ(desktopExecLine(QStringLiteral("/usr/bin/vextrel-viewer")), QStringLiteral("/usr/bin/vextrel-viewer %f"));
    EXPECT_EQ(desktopExecLine(QStringLiteral("/opt/my viewer/vv")), QStringLiteral("\"/opt/my viewer/vv\" %f"));
    // Inside quotes $ is escaped, and every backslash is doubled by the string escape.
    EXPECT_EQ(desktopExecLine(QStringLiteral("/opt/a$b/vv")), QStringLiteral("\"/opt/a\\\\$b/vv\" %f"));
    EXPECT_EQ(desktopExecLine(QStringLiteral("/opt/100%/vv")), QStringLiteral("/opt/100%%/vv %f"));
}

TEST(XdgRegistration, KnownTypesFromTheDatabaseOwnTypesForTheRest)
{
    EXPECT_EQ(mimeTypeForExtension(QStringLiteral("PNG")), QStringLiteral("image/png"));
    EXPECT_EQ(mimeTypeForExtension(QStringLiteral("jpe")), QStringLiteral("image/jpeg"));
    EXPECT_TRUE(isOwnMimeType(mimeTypeForExtension(QStringLiteral("vxskin"))));
    // Extensions other programs' types also use are never claimed through those types.
    for (const char* ext : {"vst", "win", "cut", "pdd", "bw", "rle", "dib", "icb", "vda"})
        EXPECT_TRUE(mimeTypeForExtension(QLatin1String(ext)).startsWith(QStringLiteral("image/"))) << ext;
}

TEST(XdgRegistration, ReadOnlyMimeAppsListIsLeftAlone)
{
    TempHome home;
    const QString list = home.configDir() + QStringLiteral("/mimeapps.list");
    const QByteArray before = "[Default Applications]\nimage/png=gimp.desktop;\n";
    {
        QFile f(list);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    QFile::setPermissions(list, QFileDevice::ReadOwner);
    XdgRegistration r;
    r.programPath = QStringLiteral("/usr/bin/vextrel-viewer");
    r.checked = {QStringLiteral("png")};
    EXPECT_THROW(writeXdgRegistration(r), XdgError);
    EXPECT_EQ(readAll(list), before);
    EXPECT_TRUE(QDir(home.configDir()).entryList({QStringLiteral("mimeapps.list?*")}, QDir::Files | QDir::Hidden).isEmpty());
}
