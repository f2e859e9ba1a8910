// The program's argument as a user gives it: a path relative to the folder
// the viewer was started in (with a stored skin that is unpacked first), a
// file:// address, a folder.
#include "MediaFixture.h"

#include "platform/FileName.h"
#include "settings/ViewerSettings.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QUrl>

#include <unistd.h>

namespace media {
namespace {

class StartArgumentTest : public MediaTest {};

TEST_F(StartArgumentTest, EveryFormOfTheArgumentOpensItsFile)
{
    const QString skin = program.skinsFolder() + QStringLiteral("Mint.vxskin");
    ASSERT_TRUE(QDir().mkpath(program.skinsFolder()));
    ASSERT_TRUE(QFile::copy(builtData(QStringLiteral("Skins/Mint.vxskin")), skin));
    setSetting(vx::setting::Skin, skin);

    const QString pictures = path(QStringLiteral("my pictures"));
    const QString a = writeBmp(pictures + QStringLiteral("/a.bmp"), quarterPicture(40, 30));
    const QString only = writeBmp(path(QStringLiteral("one/only.bmp")), quarterPicture(40, 30));
    writeFile(path(QStringLiteral("one/notes.txt")), "not a picture");
    // A name in Latin-1 on a UTF-8 system, as the shell hands it over.
    const QByteArray latin = QFile::encodeName(pictures) + "/caf\xe9.bmp";
    ASSERT_EQ(::link(QFile::encodeName(a).constData(), latin.constData()), 0);

    struct Case {
        const char* what;
        QString argument;
        QString opened;
    };
    const Case cases[] = {
        {"relative to the working folder", QStringLiteral("a.bmp"), a},
        {"relative with dots", QStringLiteral("../my pictures/./a.bmp"), a},
        {"file address", QUrl::fromLocalFile(a).toString(QUrl::FullyEncoded), a},
        {"folder", path(QStringLiteral("one")), only},
        {"name that is not UTF-8", vx::decodeFileName(QByteArray("caf\xe9.bmp")), vx::decodeFileName(latin)},
    };
    const QString startFolder = QDir::currentPath();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QDir::setCurrent(pictures));
        start({c.argument});
        EXPECT_EQ(form->currentSkinFile(), skin);
        EXPECT_EQ(form->state().nav.CurrentPath, c.opened);
        EXPECT_FALSE(form->labelIsRed()) << form->nameLabel()->text().toStdString();
        EXPECT_EQ(QDir::currentPath(), QDir(pictures).absolutePath());
        stop();
    }
    QDir::setCurrent(startFolder);
}

TEST_F(StartArgumentTest, TheWindowHasTheViewersIcon)
{
    start();
    // It comes once the window has painted.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->windowIcon().isNull(); }, 5000));
    const QList<QSize> sizes = form->windowIcon().availableSizes();
    for (QSize size : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(256, 256)})
        EXPECT_TRUE(sizes.contains(size)) << size.width();
    EXPECT_EQ(QApplication::windowIcon().availableSizes(), sizes);  // the dialogs' too
}

}  // namespace
}  // namespace media
