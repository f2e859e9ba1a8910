// The Flash control as start-up leaves it: the registration of the control,
// scale and quality from the settings, the window sized to the stage, and
// the fscommand message.
#include "MediaFixture.h"

#include "flash/FlashProvision.h"
#include "flash/ui/ShockwaveFlash.h"
#include "platform/Registry.h"
#include "settings/ViewerSettings.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace media {
namespace {

using FlashStartTest = MediaTest;

TEST_F(FlashStartTest, ScaleAndQualityComeFromTheSettings)
{
    struct Row {
        int scale, quality;
        int scaleMode;
        const char* quality2;
        bool resize;
    };
    const Row rows[] = {
        {1, 1, 0, "High", false}, {2, 2, 1, "Medium", false}, {3, 3, 2, "Low", false},
        {4, 1, 3, "High", false}, {5, 2, 3, "Medium", true},
        // Other numbers change nothing: the control's own values stay.
        {0, 4, 0, "High", false}, {6, 0, 0, "High", false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.scale * 10 + r.quality);
        setSetting(vx::setting::FlashScale, r.scale);
        setSetting(vx::setting::FlashQuality, r.quality);
        start({}, false);
        EXPECT_EQ(form->flash()->ScaleMode(), r.scaleMode);
        EXPECT_EQ(form->flash()->Quality2(), QLatin1String(r.quality2));
        EXPECT_EQ(form->movie().resizeWindowToMovie, r.resize);
        stop();
    }
}

TEST_F(FlashStartTest, ScaleFiveSizesTheWindowToTheStage)
{
    setSetting(vx::setting::FlashScale, 5);
    start();
    const QString movie = writeFile(path(QStringLiteral("stage.swf")), movieBytes(3, 550, 400));
    form->openPath(movie);
    form->settleOpen();
    // The client area: the stage's width, its height plus both bars.
    EXPECT_EQ(form->flash()->size(), QSize(550, 400));
    EXPECT_EQ(form->buttonsPanel()->width(), 550);
    const int bars = form->buttonsPanel()->height() + form->navButtonPanel()->height();
    EXPECT_EQ(form->navButtonPanel()->geometry().bottom() - form->buttonsPanel()->geometry().top() + 1, 400 + bars);

    // With the panel hidden the window keeps room for it: the movie gets it.
    QTest::keyClick(form->flash(), Qt::Key_F12);
    form->resize(300, 300);
    form->openPath(movie);
    form->settleOpen();
    EXPECT_EQ(form->flash()->size(), QSize(550, 400 + form->navButtonPanel()->height()));
}

TEST_F(FlashStartTest, ScaleFiveKeepsTheWindowOnTheWorkAreaAndTheStageAspect)
{
    setSetting(vx::setting::FlashScale, 5);
    start();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QSize stage : {QSize(area.width(), area.height()), QSize(1024, 1024), QSize(40000, 30000)}) {
        SCOPED_TRACE(stage.width());
        form->openPath(writeFile(path(QStringLiteral("big%1.swf").arg(stage.width())),
                                 movieBytes(3, stage.width(), stage.height())));
        EXPECT_TRUE(area.contains(form->geometry()));
        const QSize shown = form->flash()->size();
        EXPECT_LE(shown.width(), stage.width());
        EXPECT_NEAR(double(shown.width()) / shown.height(), double(stage.width()) / stage.height(), 0.01);
    }
}

TEST_F(FlashStartTest, ScaleFiveLeavesAFullScreenWindowAsItIs)
{
    setSetting(vx::setting::FlashScale, 5);
    setSetting(vx::setting::FullScreen, 1);
    start();
    ASSERT_TRUE(form->fullScreen());
    const QRect before = form->geometry();
    EXPECT_EQ(before, QGuiApplication::primaryScreen()->geometry());
    form->openPath(writeFile(path(QStringLiteral("stage.swf")), movieBytes(3, 550, 400)));
    form->settleOpen();
    EXPECT_EQ(form->geometry(), before);
    EXPECT_TRUE(form->navButtonPanel()->isVisible());  // not hidden in full-screen mode
    EXPECT_FALSE(form->buttonsPanel()->isVisible());
}

TEST_F(FlashStartTest, FsCommandIsShownOnlyWhenTheSettingAsksForIt)
{
    const QString movie = writeFile(path(QStringLiteral("fs.swf")),
                                    fsCommandMovieBytes(QStringLiteral("quit"), QStringLiteral("now")));
    setSetting(vx::setting::FlashFSCommand, 1);
    start();
    EXPECT_TRUE(form->movie().showFsCommandMessage);
    form->openPath(movie);
    form->settleOpen();
    QTRY_VERIFY_WITH_TIMEOUT(!messages.isEmpty(), 3000);
    EXPECT_EQ(messages.first(), QStringLiteral("Command: quit\r\nArgs: now"));
    stop();

    messages.clear();
    setSetting(vx::setting::FlashFSCommand, 0);
    start();
    EXPECT_FALSE(form->movie().showFsCommandMessage);
    form->openPath(movie);
    form->settleOpen();
    QTRY_VERIFY_WITH_TIMEOUT(!form->flash()->Playing(), 3000);  // the movie reached its command
    EXPECT_EQ(form->flash()->CurrentFrame(), 1);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(FlashStartTest, TheFirstStartRegistersTheControlAndTheSecondFindsIt)
{
    start({}, false);
    {
        vx::RegistryKey key;
        ASSERT_TRUE(key.open(vx::Hive::ClassesRoot, QStringLiteral("CLSID\\{D27CDB6E-AE6D-11cf-96B8-444553540000}"
                                                                   "\\InprocServer32"),
                             false));
        EXPECT_EQ(key.readString(QString()), QCoreApplication::applicationFilePath());
    }
    EXPECT_EQ(vx::FormatControlVersion(vx::RegisteredControlVersion()), QStringLiteral("undefined"));
    EXPECT_FALSE(form->terminateRequested());
    EXPECT_TRUE(messages.isEmpty());
    stop();

    start({}, false);
    EXPECT_EQ(vx::FormatControlVersion(vx::RegisteredControlVersion()), QStringLiteral("8.0.24.0"));
    stop();

    // Another registered version is replaced by the player's.
    {
        vx::RegistryKey key;
        ASSERT_TRUE(key.open(vx::Hive::ClassesRoot, vx::kFlashServerKey, false));
        key.writeString(QStringLiteral("Version"), QStringLiteral("9.0.115.0"));
    }
    start({}, false);
    EXPECT_EQ(vx::FormatControlVersion(vx::RegisteredControlVersion()), QStringLiteral("9.0.115.0"));
    stop();
    start({}, false);
    EXPECT_EQ(vx::FormatControlVersion(vx::RegisteredControlVersion()), QStringLiteral("8.0.24.0"));
}

}  // namespace
}  // namespace media
