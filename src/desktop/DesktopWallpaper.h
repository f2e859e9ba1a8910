// Making a picture file the desktop wallpaper: the three values of the
// per-user "Control Panel\Desktop" key, then the running desktop told
// through its own tools (DesktopRoute.h) on a worker thread, each tool with
// a time limit, so the window never waits for a desktop that hangs.
#pragma once

#include <QString>

namespace vx {

inline const QString kDesktopKeyPath = QStringLiteral("Control Panel\\Desktop");
inline const QString kWallpaperFileName = QStringLiteral("CurrentWallpaper.bmp");

// The folder the wallpaper files are written to: the program's folder when
// a file can be created there, otherwise $XDG_DATA_HOME/vextrel-viewer/
// (created). Both end with a separator.
QString wallpaperFolder(const QString& programFolder);

// Writes "Wallpaper" (path), "WallpaperStyle" and "TileWallpaper" for style
// 1 centre, 2 tile, 3 stretch, then applies path to the running desktop.
// Returns false when the values could not be written (the desktop is still
// told).
bool SetDesktopWallpaper(const QString& path, int style);

// Applies path to the running desktop in the background; nothing happens
// where no desktop is known.
void applyToRunningDesktop(const QString& path, int style);

// Time limit of one desktop tool run (5 s unless set).
void setDesktopToolTimeLimit(int milliseconds);
// Number of desktop jobs not finished yet.
int pendingDesktopJobs();

}  // namespace vx
