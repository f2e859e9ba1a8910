// "To Desktop" in the real window: the bitmap, the per-user wallpaper
// values, the running desktop told through its own tools (stubs here), and
// the Flash wallpaper page.
#include "DesktopFixture.h"

#include "codecs_gif/GifWriter.h"
#include "desktop/DesktopWallpaper.h"
#include "platform/Registry.h"
#include "settings/ViewerSettings.h"
#include "skins/ui/SkinButton.h"
#include "viewer/ui/PictureControl.h"

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTest>

namespace desktoptest {
namespace {

using media::readFile;
using media::setSetting;

std::optional<QString> desktopValue(const QString& name)
{
    vx::RegistryKey key;
    if (!key.open(vx::Hive::CurrentUser, vx::kDesktopKeyPath, false) || !key.valueExists(name))
        return std::nullopt;
    return key.readString(name);
}

int bmpBitsPerPixel(const QByteArray& bmp)
{
    return bmp.size() > 29 ? uchar(bmp[28]) | uchar(bmp[29]) << 8 : 0;
}

class WallpaperTest : public DesktopTest {};

TEST_F(WallpaperTest, EachSetWallValueGivesItsStyleToTheRegistryAndTheDesktop)
{
    useDesktop("GNOME");
    stubTool(QStringLiteral("gsettings"));
    const QString picture = pictureFile(QStringLiteral("p.bmp"));
    const QString bmp = program.path() + QStringLiteral("CurrentWallpaper.bmp");
    const QString uri = QStringLiteral("'") + QString::fromLatin1(QUrl::fromLocalFile(bmp).toEncoded()) + "'";
    const struct {
        int setWall;  // 0: absent
        const char* wallpaperStyle;
        const char* tileWallpaper;
        const char* option;
    } cases[] = {
        {0, "2", "0", "'stretched'"},
        {1, "0", "0", "'centered'"},
        {2, "0", "1", "'wallpaper'"},
        {3, "2", "0", "'stretched'"},
        {7, nullptr, nullptr, nullptr},  // any other number sets nothing
    };
    start({picture});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.setWall);
        vx::deleteRegistryKey(vx::Hive::CurrentUser, vx::kDesktopKeyPath);
        clearToolLog();
        QFile::remove(bmp);
        vx::RegistryKey key;
        ASSERT_TRUE(key.open(vx::kSettingsHive, vx::kSettingsKeyPath, true));
        if (c.setWall)
            key.writeInteger(vx::setting::SetWall, c.setWall);
        else
            key.deleteValue(vx::setting::SetWall);

        QTest::mouseClick(form->button(vx::kBtnSetWall), Qt::LeftButton);
        waitForDesktop();

        // The picture is written whatever the style, as a 24-bit bitmap.
        const QByteArray written = readFile(bmp);
        EXPECT_EQ(bmpBitsPerPixel(written), 24);
        EXPECT_EQ(QImage::fromData(written).convertToFormat(QImage::Format_RGB32),
                  QImage(picture).convertToFormat(QImage::Format_RGB32));
        if (!c.option) {
            EXPECT_EQ(desktopValue(QStringLiteral("Wallpaper")), std::nullopt);
            EXPECT_TRUE(toolLog().isEmpty());
            continue;
        }
        EXPECT_EQ(desktopValue(QStringLiteral("Wallpaper")), bmp);
        EXPECT_EQ(desktopValue(QStringLiteral("WallpaperStyle")), QLatin1String(c.wallpaperStyle));
        EXPECT_EQ(desktopValue(QStringLiteral("TileWallpaper")), QLatin1String(c.tileWallpaper));
        EXPECT_EQ(toolLog(), (QStringList{
                                 "gsettings set org.gnome.desktop.background picture-options " + QLatin1String(c.option),
                                 "gsettings set org.gnome.desktop.background picture-uri " + uri,
                                 "gsettings set org.gnome.desktop.background picture-uri-dark " + uri}));
    }
    // An absent value was created as stretch.
    EXPECT_EQ(media::settingText(vx::setting::SetWall), std::nullopt);  // stored as a number, not text
    vx::RegistryKey key;
    ASSERT_TRUE(key.open(vx::kSettingsHive, vx::kSettingsKeyPath, false));
    EXPECT_EQ(key.readInteger(vx::setting::SetWall), 7);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WallpaperTest, EveryDesktopsToolIsRunAndOneThatFailsOrHangsIsLeftBehind)
{
    const QString picture = pictureFile(QStringLiteral("p.bmp"));
    const QString bmp = program.path() + QStringLiteral("CurrentWallpaper.bmp");
    setSetting(vx::setting::SetWall, 2);
    // Plasma before 6.2 knows no fill mode: the picture is given alone.
    stubTool(QStringLiteral("plasma-apply-wallpaperimage"), QStringLiteral("[ \"$1\" = --fill-mode ] && exit 1; exit 0"));
    stubTool(QStringLiteral("xfconf-query"),
             QStringLiteral("[ \"$3\" = -l ] && printf '/backdrop/screen0/monitorHDMI-1/workspace0/last-image\\n"
                            "/backdrop/screen0/monitorHDMI-1/workspace1/last-image\\n/backdrop/single-workspace-mode\\n'"));
    start({picture});

    useDesktop("KDE");
    form->btnSetWallClick();
    waitForDesktop();
    EXPECT_EQ(toolLog(), (QStringList{"plasma-apply-wallpaperimage --fill-mode tile " + bmp,
                                      "plasma-apply-wallpaperimage " + bmp}));

    clearToolLog();
    useDesktop("XFCE");
    form->btnSetWallClick();
    waitForDesktop();
    const QString set = QStringLiteral("xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitorHDMI-1/");
    EXPECT_EQ(toolLog(), (QStringList{"xfconf-query -c xfce4-desktop -l",
                                      set + "workspace0/image-style -n -t int -s 2",
                                      set + "workspace0/last-image -n -t string -s " + bmp,
                                      set + "workspace1/image-style -n -t int -s 2",
                                      set + "workspace1/last-image -n -t string -s " + bmp}));

    // A tool that never returns is stopped at its time limit; the command
    // itself returns at once and the window goes on meanwhile.
    clearToolLog();
    useDesktop("X-Cinnamon");
    stubTool(QStringLiteral("gsettings"), QStringLiteral("exec sleep 60"));
    vx::setDesktopToolTimeLimit(300);
    form->btnSetWallClick();
    EXPECT_EQ(vx::pendingDesktopJobs(), 1);
    bool timerFired = false;
    QTimer::singleShot(10, [&] { timerFired = true; });
    waitForDesktop();
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(toolLog().size(), 2);  // both calls were made, each stopped
    EXPECT_EQ(desktopValue(QStringLiteral("TileWallpaper")), QStringLiteral("1"));
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WallpaperTest, AnAnimationBecomesItsFirstFrameAndAnInstalledCopyWritesToItsDataFolder)
{
    useDesktop("MATE");
    stubTool(QStringLiteral("gsettings"));
    testgif::File gif;
    gif.width = 6;
    gif.height = 4;
    gif.loops = 0;
    for (uint8_t i = 0; i < 12; ++i) {
        gif.palette.push_back({uint8_t(i * 20), uint8_t(255 - i * 20), 7});
        testgif::Frame f = testgif::solid(0, 0, 6, 4, i);
        f.delayCs = 5;
        gif.frames.push_back(f);
    }
    const QString path = media::writeFile(this->path(QStringLiteral("anim.gif")), testgif::write(gif));
    // The program folder can't be written (as when installed): the user's data folder is used.
    const QString installed = media::writeFile(this->path(QStringLiteral("not-a-folder")), "x") + QLatin1Char('/');
    startIn(installed, {path});
    ASSERT_TRUE(form->picture()->isAnimating());
    QTest::qWait(120);  // the animation has moved on
    form->btnSetWallClick();
    waitForDesktop();
    const QString bmp = home.path() + QStringLiteral("/data/vextrel-viewer/CurrentWallpaper.bmp");
    const QByteArray written = readFile(bmp);
    ASSERT_EQ(bmpBitsPerPixel(written), 24);
    const QImage still = QImage::fromData(written);
    ASSERT_EQ(still.size(), QSize(6, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(still.pixel(x, y), qRgb(0, 255, 7));
    EXPECT_TRUE(toolLog().contains("gsettings set org.mate.background picture-filename '" + bmp + "'"));
}

TEST_F(WallpaperTest, NothingOpenSetsNothing)
{
    useDesktop("GNOME");
    stubTool(QStringLiteral("gsettings"));
    start();
    form->btnSetWallClick();
    waitForDesktop();
    EXPECT_EQ(form->nameLabel()->text(), QString::fromUtf8("Ничего не открыто"));
    EXPECT_TRUE(toolLog().isEmpty());
    EXPECT_FALSE(QFile::exists(program.path() + QStringLiteral("CurrentWallpaper.bmp")));
}

// ------------------------------------------------------------ movies

const QByteArray kPageHead =
    "<html><head><title>Vextrel Viewer Desktop</title></head>\r\n"
    "<body leftmargin=\"0\" topmargin=\"0\" rightmargin=\"0\" bottommargin=\"0\" LANGUAGE=\"javascript\"\r\n";
const QByteArray kPageDiv =
    "<div style=\"position:absolute; width:100%; height:100%; z-index:-1; left:0; top:0\">\r\n"
    "<table border=\"0\" width=\"100%\" height=\"100%\">\r\n"
    "<tr>\r\n"
    "<td width=\"100%\" height=\"100%\" valign=\"middle\" align=\"center\">\r\n";

TEST_F(WallpaperTest, AMovieWritesItsPageAndItsCurrentFrameBecomesTheWallpaper)
{
    useDesktop("GNOME");
    stubTool(QStringLiteral("gsettings"));
    setSetting(vx::setting::FlashFullScr, 0);
    setSetting(vx::setting::FlashAutoPlay, 0);
    setSetting(vx::setting::FlashTransperent, 0);
    setSetting(vx::setting::FlashWallQuality, 5);
    setSetting(vx::setting::FlashBackColor, QStringLiteral("clWhite"));
    const QString movie = media::writeFile(path(QStringLiteral("my movies/a \"b\" & <c>.swf")), media::movieBytes(4));
    start({movie});
    form->btnSetWallClick();
    waitForDesktop();

    EXPECT_EQ(readFile(program.path() + QStringLiteral("Current Flash Wallpaper.html")),
              kPageHead + " bgcolor=\"#ffffff\" >" + kPageDiv
                  + "<embed width=\"550\" height=\"400\"bgcolor=\"\" play=\"false\"wmode=\"ntransparent\""
                    "quality=\"Best\"pluginspage=\"http://www.macromedia.com/go/getflashplayer\" src=\""
                  + path(QStringLiteral("my movies/a &quot;b&quot; &amp; &lt;c&gt;.swf")).toUtf8()
                  + "\" ></embed></td></tr></table></div></body></html>\r\n");

    // The frame: the page's white around a 550 x 400 box in the middle with
    // the movie's own blue background (not transparent), stretched.
    const QString bmp = program.path() + QStringLiteral("CurrentWallpaper.bmp");
    const QImage frame = QImage::fromData(readFile(bmp));
    ASSERT_FALSE(frame.isNull());
    const QPoint middle(frame.width() / 2, frame.height() / 2);
    EXPECT_EQ(frame.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(frame.pixel(middle + QPoint(-274, -199)), qRgb(0x20, 0x50, 0xa0));
    EXPECT_EQ(frame.pixel(middle + QPoint(-277, 0)), qRgb(255, 255, 255));
    EXPECT_TRUE(toolLog().contains(QStringLiteral("gsettings set org.gnome.desktop.background picture-options 'stretched'")));
    EXPECT_EQ(desktopValue(QStringLiteral("Wallpaper")), bmp);
    EXPECT_TRUE(messages.isEmpty());
}

TEST_F(WallpaperTest, AMoviesPageThatCantBeWrittenSaysSo)
{
    useDesktop("GNOME");
    stubTool(QStringLiteral("gsettings"));
    const QString movie = media::writeFile(path(QStringLiteral("m.swf")), media::movieBytes(2));
    // Neither the program folder nor the data folder can take a file.
    const QString blocked = media::writeFile(path(QStringLiteral("blocked")), "x");
    env.set("XDG_DATA_HOME", QFile::encodeName(blocked + QStringLiteral("/data")));
    startIn(blocked + QLatin1Char('/'), {movie});
    form->btnSetWallClick();
    waitForDesktop();
    EXPECT_EQ(messages, QStringList{QStringLiteral("File \"Current Flash Wallpaper.html\" not exist =(")});
    EXPECT_TRUE(toolLog().isEmpty());
    // Defaults were written back for what was missing.
    EXPECT_EQ(media::settingText(vx::setting::FlashBackColor), QStringLiteral("clBlack"));
}

}  // namespace
}  // namespace desktoptest
