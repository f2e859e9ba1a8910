// Which desktop is running and the commands that make a picture its
// wallpaper there. GNOME, Budgie, Cinnamon and MATE keep their wallpaper in
// GSettings, KDE Plasma has its own tool, XFCE keeps one picture per monitor
// and workspace in xfconf; a bare X session gets the picture on its root
// window (RootWindowPicture.h).
#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <vector>

namespace vx {

enum class DesktopKind { None, Gnome, Budgie, Cinnamon, Mate, Kde, Xfce, BareX };

// From XDG_CURRENT_DESKTOP (its first known name), else DESKTOP_SESSION;
// an X session without a known desktop is BareX; anything else None.
DesktopKind detectDesktop(const QProcessEnvironment& env);

// The wallpaper style: 1 centre, 2 tile, 3 stretch.
enum WallpaperStyle { kStyleCentre = 1, kStyleTile = 2, kStyleStretch = 3 };

// One run of a desktop tool; when it fails (cannot start, exits with an
// error, or passes its time limit) the fallback runs instead, if any.
struct ToolCall {
    QString program;
    QStringList arguments;
    std::vector<ToolCall> fallback;
};

// A text as a GVariant string literal for gsettings: 'text' with quotes and
// back-slashes escaped.
QString gvariantString(const QString& text);

// The calls for the GSettings desktops and KDE (XFCE's depend on what
// xfconf lists: xfceCalls). Empty for XFCE, BareX and None.
std::vector<ToolCall> wallpaperCalls(DesktopKind desktop, const QString& imagePath, int style);

// XFCE: given the property list of the xfce4-desktop channel, the calls
// that set the picture and its style for every monitor and workspace found;
// when none is listed, workspace 0 of each named monitor is created.
std::vector<ToolCall> xfceCalls(const QStringList& properties, const QString& imagePath, int style,
                                const QStringList& monitorNames);

}  // namespace vx
