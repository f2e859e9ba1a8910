// Skin packages without widgets: installing a ".vxskin" archive into the
// skins folder, unpacking it into "Temp", reading its picture and
// description, and the built-in skin's tiles. The main window applies the
// result to its sixteen buttons and two bars.
#pragma once

#include "skins/SkinInfo.h"
#include "skins/ZipPrompter.h"

#include <QImage>
#include <QString>
#include <array>
#include <optional>

namespace vx {

inline constexpr int kSkinButtonCount = 16;

// Buttons in skin order (button k uses image keys 2k-1 and 2k).
inline constexpr const char* kSkinButtonNames[kSkinButtonCount] = {
    "btnOpen",       "btnSave",     "btnSettings", "btnInfo",  "btnSetWall", "btnRotate270",
    "btnRotate90",   "btnPrev",     "btnNext",     "btnFullScreen", "btnMinimize", "btnMaximize",
    "btnClose",      "btnPlay",     "btnPause",    "btnStop"};

// The built-in picture: 425 x 38, tiles of 25 x 19, normal row at y 0,
// pressed row at y 19; button k's tile starts at kDefaultTileX[k-1].
inline constexpr int kDefaultSkinWidth = 425;
inline constexpr int kDefaultSkinHeight = 38;
inline constexpr int kDefaultTileWidth = 25;
inline constexpr int kDefaultTileHeight = 19;
inline constexpr int kDefaultTileX[kSkinButtonCount] = {0,   25,  50,  75,  100, 125, 150, 175,
                                                        200, 250, 275, 300, 325, 350, 375, 400};

struct SkinButtonImages {
    QImage normal;   // BMPNormal
    QImage pressed;  // BMPDown
    bool hasNormal = false;   // cut (a null image is a cut of zero size)
    bool hasPressed = false;
};

struct SkinPackage {
    bool isDefault = false;         // apply the built-in skin (SetDefaultSkin)
    QString currentSkinFile;        // the package path, or "Default"
    QString installedPath;          // SkinsFolder + the package's file name
    QImage picture;                 // "Buttons.bmp" (the new SkinImage)
    std::array<SkinButtonImages, kSkinButtonCount> buttons;
    SkinMetrics metrics;
};

// Thrown when a package's description is broken: the text is the error to
// show, partial holds the images cut before it (bar heights, gap and the
// "Skin" value are not to be changed).
class SkinLoadError : public SkinError {
public:
    SkinLoadError(const QString& text, SkinPackage partial) : SkinError(text), partial(std::move(partial)) {}
    SkinPackage partial;
};

// programFolder + "Data/Skins/".
QString skinsFolder(const QString& programFolder);

// Installs and reads the package fileName (LoadSkin without the window).
// "Temp" is emptied before a package is unpacked there, so a package is used
// only with its own files; a package that declares more than 64 entries or
// 64 MB is not unpacked at all; the package last unpacked (same path, size
// and time) is not unpacked again. Returns nothing (std::nullopt) when the file does not exist; a package with
// isDefault when "Buttons.bmp" or "SkinInfo.txt" is missing in "Temp" after
// unpacking (unpacking errors are swallowed). On success the settings value
// "Skin" is written with installedPath. Throws SkinLoadError for a
// description that cannot be parsed and SkinError for an unreadable picture.
std::optional<SkinPackage> loadSkinPackage(const QString& fileName, const QString& programFolder,
                                           ZipPrompter* prompter = nullptr);

// The built-in skin cut out of its picture (SetDefaultSkin's data).
SkinPackage defaultSkinPackage(const QImage& skinImage);

// Reads a "Buttons.bmp"; throws SkinError when it is not a readable picture
// of an acceptable size.
QImage loadSkinPicture(const QString& path);

// Cuts the 32 images described by info out of picture into package, in
// button order (normal, then pressed); throws SkinLoadError at the first bad
// key with the images cut so far.
void cutSkinButtons(const ProfileFile& info, const QImage& picture, SkinPackage& package);

}  // namespace vx
