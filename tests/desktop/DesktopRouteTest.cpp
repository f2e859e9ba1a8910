// Which desktop runs, what each is told for the three styles, and the
// picture a bare X session's root window gets.
#include "desktop/DesktopRoute.h"
#include "desktop/RootWindowPicture.h"

#include <gtest/gtest.h>

namespace {

QStringList flatten(const std::vector<vx::ToolCall>& calls)
{
    QStringList lines;
    for (const vx::ToolCall& c : calls) {
        lines << c.program + QLatin1Char(' ') + c.arguments.join(QLatin1Char(' '));
        for (const vx::ToolCall& f : c.fallback)
            lines << QStringLiteral("  else ") + f.program + QLatin1Char(' ') + f.arguments.join(QLatin1Char(' '));
    }
    return lines;
}

TEST(DesktopRoute, DesktopFromTheSessionsVariables)
{
    const struct {
        const char* current;
        const char* session;
        const char* display;
        const char* wayland;
        vx::DesktopKind kind;
    } cases[] = {
        {"GNOME", "", ":0", "", vx::DesktopKind::Gnome},
        {"ubuntu:GNOME", "", "", "wayland-0", vx::DesktopKind::Gnome},
        {"Budgie:GNOME", "", ":0", "", vx::DesktopKind::Budgie},
        {"X-Cinnamon", "", ":0", "", vx::DesktopKind::Cinnamon},
        {"MATE", "", ":0", "", vx::DesktopKind::Mate},
        {"KDE", "", ":0", "", vx::DesktopKind::Kde},
        {"XFCE", "", ":0", "", vx::DesktopKind::Xfce},
        {"", "plasma", ":0", "", vx::DesktopKind::Kde},
        {"", "xfce", ":0", "", vx::DesktopKind::Xfce},
        {"i3", "", ":0", "", vx::DesktopKind::BareX},
        {"", "", ":1", "", vx::DesktopKind::BareX},
        {"sway", "", ":0", "wayland-1", vx::DesktopKind::None},
        {"", "", "", "", vx::DesktopKind::None},
    };
    for (const auto& c : cases) {
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QLatin1String(c.current));
        env.insert(QStringLiteral("DESKTOP_SESSION"), QLatin1String(c.session));
        env.insert(QStringLiteral("DISPLAY"), QLatin1String(c.display));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(c.wayland));
        EXPECT_EQ(vx::detectDesktop(env), c.kind) << c.current << "/" << c.session;
    }
}

TEST(DesktopRoute, EachDesktopGetsThePictureInItsOwnTerms)
{
    const QString pic = QStringLiteral("/opt/My App/CurrentWallpaper.bmp");
    const QString uri = QStringLiteral("'file:///opt/My%20App/CurrentWallpaper.bmp'");
    const char* const gnomeOptions[] = {"'centered'", "'wallpaper'", "'stretched'"};
    const char* const plasmaModes[] = {"pad", "tile", "stretch"};
    for (int style = 1; style <= 3; ++style) {
        const QString option = QLatin1String(gnomeOptions[style - 1]);
        EXPECT_EQ(flatten(vx::wallpaperCalls(vx::DesktopKind::Gnome, pic, style)),
                  (QStringList{"gsettings set org.gnome.desktop.background picture-options " + option,
                               "gsettings set org.gnome.desktop.background picture-uri " + uri,
                               "gsettings set org.gnome.desktop.background picture-uri-dark " + uri}));
        EXPECT_EQ(flatten(vx::wallpaperCalls(vx::DesktopKind::Budgie, pic, style)),
                  flatten(vx::wallpaperCalls(vx::DesktopKind::Gnome, pic, style)));
        EXPECT_EQ(flatten(vx::wallpaperCalls(vx::DesktopKind::Cinnamon, pic, style)),
                  (QStringList{"gsettings set org.cinnamon.desktop.background picture-options " + option,
                               "gsettings set org.cinnamon.desktop.background picture-uri " + uri}));
        EXPECT_EQ(flatten(vx::wallpaperCalls(vx::DesktopKind::Mate, pic, style)),
                  (QStringList{"gsettings set org.mate.background picture-options " + option,
                               "gsettings set org.mate.background picture-filename '" + pic + "'"}));
        EXPECT_EQ(flatten(vx::wallpaperCalls(vx::DesktopKind::Kde, pic, style)),
                  (QStringList{"plasma-apply-wallpaperimage --fill-mode " + QLatin1String(plasmaModes[style - 1])
                                   + " " + pic,
                               "  else plasma-apply-wallpaperimage " + pic}));
        // Every monitor and workspace xfconf lists; image-style 1, 2, 3.
        const QString ws1 = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace0");
        const QString ws2 = QStringLiteral("/backdrop/screen0/monitorHDMI-1/workspace1");
        const QString set = QStringLiteral("xfconf-query -c xfce4-desktop -p ");
        const QString n = QString::number(style);
        EXPECT_EQ(flatten(vx::xfceCalls({ws1 + "/last-image", ws1 + "/image-style", ws2 + "/last-image",
                                         "/backdrop/single-workspace-mode"},
                                        pic, style, {})),
                  (QStringList{set + ws1 + "/image-style -n -t int -s " + n,
                               set + ws1 + "/last-image -n -t string -s " + pic,
                               set + ws2 + "/image-style -n -t int -s " + n,
                               set + ws2 + "/last-image -n -t string -s " + pic}));
    }
    // Nothing listed yet: workspace 0 of each monitor is created.
    EXPECT_EQ(flatten(vx::xfceCalls({}, pic, 3, {"eDP-1"})).value(1),
              "xfconf-query -c xfce4-desktop -p /backdrop/screen0/monitoreDP-1/workspace0/last-image -n -t string -s "
                  + pic);
    EXPECT_EQ(vx::gvariantString(QStringLiteral("it's a\\b")), QStringLiteral("'it\\'s a\\\\b'"));
}

TEST(RootWindowPicture, CentredTiledAndStretched)
{
    QImage pic(2, 2, QImage::Format_RGB32);
    pic.setPixel(0, 0, qRgb(255, 0, 0));
    pic.setPixel(1, 0, qRgb(0, 255, 0));
    pic.setPixel(0, 1, qRgb(0, 0, 255));
    pic.setPixel(1, 1, qRgb(255, 255, 255));
    const QSize screen(6, 4);
    const QImage centred = vx::composeWallpaper(pic, screen, vx::kStyleCentre);
    EXPECT_EQ(centred.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(centred.pixel(2, 1), qRgb(255, 0, 0));
    EXPECT_EQ(centred.pixel(3, 2), qRgb(255, 255, 255));
    const QImage tiled = vx::composeWallpaper(pic, screen, vx::kStyleTile);
    EXPECT_EQ(tiled.pixel(4, 2), qRgb(255, 0, 0));
    EXPECT_EQ(tiled.pixel(5, 3), qRgb(255, 255, 255));
    const QImage stretched = vx::composeWallpaper(pic, screen, vx::kStyleStretch);
    EXPECT_EQ(stretched.size(), screen);
    EXPECT_EQ(stretched.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(stretched.pixel(5, 3), qRgb(255, 255, 255));
}

}  // namespace
