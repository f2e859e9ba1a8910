// The string tables of the main window, the settings dialog and the three
// small dialogs, with their English defaults.
#include "i18n/LangStrings.h"

#include <cstring>

namespace vx::lang {
namespace {

constexpr LangEntry kEntries[] = {
    // Main window button hints.
    {kMain, 1, "Open"},
    {kMain, 2, "Save as..."},
    {kMain, 3, "Settings"},
    {kMain, 4, "Information"},
    {kMain, 5, "To Desktop"},
    {kMain, 6, "Turn left"},
    {kMain, 7, "Turn right"},
    {kMain, 8, "Previous"},
    {kMain, 9, "Next"},
    {kMain, 10, "Fullscreen"},
    {kMain, 11, "Minimize"},
    {kMain, 12, "Maximize"},
    {kMain, 13, "Close"},
    {kMain, 14, "Play"},
    {kMain, 15, "Pause"},
    {kMain, 16, "Stop"},

    // Main window messages.
    {kMessages, 1, "Cannot register flash.ocx =("},
    {kMessages, 2, "Cannot delete file =("},
    {kMessages, 3, "File \"Current Flash Wallpaper.html\" not exist =("},
    {kMessages, 4, "Image size too big (640 x 480 pix)"},
    {kMessages, 5, "Unknown file extension:"},
    {kMessages, 6, "Cannot open file:"},
    {kMessages, 7, "This file seems to have uncorrect extension"},
    {kMessages, 8, "File not exist"},
    {kMessages, 9, "You ERASER for real! =)"},
    {kMessages, 10, "All images in this folder deleted!"},
    {kMessages, 11, "Cannot write to registry =("},
    {kMessages, 12, "All supported types"},
    {kMessages, 13, "Splash file not exist!"},
    {kMessages, 14, "\"Show splash\" option will disabled"},
    {kMessages, 15, "Nothing is open"},
    {kMessages, 16, "Delete file:"},
    {kMessages, 17, "bytes"},
    {kMessages, 18, "Kb"},
    {kMessages, 19, "Move file to the trash:"},
    {kMessages, 20, "This folder has no trash: the file will be deleted for good."},
    {kMessages, 21, "Cannot rename file:"},
    {kMessages, 22, "A file with this name already exists"},
    {kMessages, 23, "A file name cannot contain \"/\""},
    {kMessages, 24, "\".\" and \"..\" cannot be file names"},
    {kMessages, 25, "A file named %1 already exists. Replace it?"},

    // Settings dialog frame.
    {kSettings, 1, "Vextrel Viewer Settings"},
    {kSettings, 2, "OK"},
    {kSettings, 3, "Apply"},
    {kSettings, 4, "Cancel"},

    // Page: view.
    {kSetType, 1, "View"},
    {kSetType, 2, "View"},
    {kSetType, 3, "View"},
    {kSetType, 4, "Filename"},
    {kSetType, 5, "Show filename"},
    {kSetType, 6, "Show filename with number"},
    {kSetType, 7, "Show buttons"},
    {kSetType, 8, "Open"},
    {kSetType, 9, "Save as..."},
    {kSetType, 10, "Settings"},
    {kSetType, 11, "Information"},
    {kSetType, 12, "To Desktop"},
    {kSetType, 13, "Turn left"},
    {kSetType, 14, "Turn right"},
    {kSetType, 15, "Previous file"},
    {kSetType, 16, "Next file"},
    {kSetType, 17, "Show splash"},
    {kSetType, 18, "Back color:"},
    {kSetType, 19, "Choose"},

    // Page: file types.
    {kSetFileType, 1, "File types"},
    {kSetFileType, 2, "File  types"},
    {kSetFileType, 3, "Assigned extensions"},
    {kSetFileType, 4,
     "For best use of Vextrel Viewer you must associate it with all file types. This let you "
     "view your files with Vextrel Viewer automatically."},
    {kSetFileType, 5, "Select all"},
    {kSetFileType, 6, "Unselect all"},
    {kSetFileType, 7, "Check on start"},

    // Page: language.
    {kSetLang, 1, "Language"},
    {kSetLang, 2, "Language"},
    {kSetLang, 3, "Language"},
    {kSetLang, 4, "Choose language:"},
    {kSetLang, 5, "About author:"},
    {kSetLang, 6, "File"},
    {kSetLang, 7, "Language"},
    {kSetLang, 8, "Version"},

    // Page: images.
    {kSetImages, 1, "Images"},
    {kSetImages, 2, "Images"},
    {kSetImages, 3, "Images"},
    {kSetImages, 4, "Scaling options in window mode"},
    {kSetImages, 5, "Original size"},
    {kSetImages, 6, "Fit big images to window size"},
    {kSetImages, 7, "Fit all images to window size"},

    // Page: Flash.
    {kSetFlash, 1, "Flash"},
    {kSetFlash, 2, "Flash"},
    {kSetFlash, 3, "Flash"},
    {kSetFlash, 4, "Flash clip resizing"},
    {kSetFlash, 5, "Show all"},
    {kSetFlash, 6, "No border"},
    {kSetFlash, 7, "Extract fit"},
    {kSetFlash, 8, "No resize"},
    {kSetFlash, 9, "Flash clip quality"},
    {kSetFlash, 10, "High"},
    {kSetFlash, 11, "Medium"},
    {kSetFlash, 12, "Low"},
    {kSetFlash, 13, "Flash OCX version"},
    {kSetFlash, 14, "Registered in system:"},
    {kSetFlash, 15, "Used by Vextrel Viewer:"},
    {kSetFlash, 16, "Detect fscommand"},
    {kSetFlash, 17, "Show message on fscommand"},
    {kSetFlash, 18, "Resize window to Flash"},

    // Page: desktop.
    {kSetWall, 1, "Desktop"},
    {kSetWall, 2, "Desktop"},
    {kSetWall, 3, "Desktop"},
    {kSetWall, 4, "When you press \"To Desktop\" button, following options will count"},
    {kSetWall, 5, "Image desktop"},
    {kSetWall, 6, "Center"},
    {kSetWall, 7, "Tile"},
    {kSetWall, 8, "Stretch"},
    {kSetWall, 9, "Flash desktop"},
    {kSetWall, 10, "Fullscreen"},
    {kSetWall, 11, "Center"},
    {kSetWall, 12, "Transparency"},
    {kSetWall, 13, "Autoplay"},
    {kSetWall, 14, "Quality:"},
    {kSetWall, 15, "Low"},
    {kSetWall, 16, "Auto Low"},
    {kSetWall, 17, "Auto High"},
    {kSetWall, 18, "Medium"},
    {kSetWall, 19, "High"},
    {kSetWall, 20, "Best"},
    {kSetWall, 21, "Back color:"},
    {kSetWall, 22, "Choose"},

    // Page: hot keys.
    {kSetHot, 1, "Shortcuts"},
    {kSetHot, 2, "Shortcuts"},
    {kSetHot, 3, "Hot keys"},
    {kSetHot, 4, "Action"},
    {kSetHot, 5, "Close"},
    {kSetHot, 6, "Next file"},
    {kSetHot, 7, "Previous file"},
    {kSetHot, 8, "Last file"},
    {kSetHot, 9, "First file"},
    {kSetHot, 10, "Zoom in"},
    {kSetHot, 11, "Zoom out"},
    {kSetHot, 12, "Fit image"},
    {kSetHot, 13, "Delete file"},
    {kSetHot, 14, "Settings dialog"},
    {kSetHot, 15, "Rename file"},
    {kSetHot, 16, "Fullscreen on/off"},
    {kSetHot, 17, "Hot key"},
    {kSetHot, 18, "Hide/show flash panel"},
    {kSetHot, 19, "Rotate left"},
    {kSetHot, 20, "Rotate right"},
    {kSetHot, 21, "Copy current file"},
    {kSetHot, 22, "Rewind forward (flash)"},
    {kSetHot, 23, "Rewind back (flash)"},
    {kSetHot, 24, "View browser cache"},

    // Page: about.
    {kSetAbout, 1, "About"},
    {kSetAbout, 2, "About..."},
    {kSetAbout, 3, "About..."},
    {kSetAbout, 4, ""},
    {kSetAbout, 5, "Written by the Vextrel Viewer author"},
    {kSetAbout, 6, "Check for a new version or additional information you can here:"},
    {kSetAbout, 7, "Questions and suggestions write to:"},

    // Rename dialog.
    {kRename, 1, "Rename file"},
    {kRename, 2, "Enter new file name:"},
    {kRename, 3, "Extension:"},
    {kRename, 4, "OK"},
    {kRename, 5, "Cancel"},

    // JPEG options dialog.
    {kQuality, 1, "Quality"},
    {kQuality, 2, "JPEG Quality"},
    {kQuality, 3, "Quality:"},
    {kQuality, 4, "Save as grayscale"},

    // File information dialog.
    {kInformation, 1, "File information"},
    {kInformation, 2, "File name:"},
    {kInformation, 3, "File path:"},
    {kInformation, 4, "Full path:"},
    {kInformation, 5, "Changed:"},
    {kInformation, 6, "File size:"},
    {kInformation, 7, "Current size:"},
    {kInformation, 8, "Total frames:"},
    {kInformation, 9, "Advanced"},
    {kInformation, 10, "OK"},
    {kInformation, 11, "Original size:"},
    {kInformation, 12, "Total frames:"},
    {kInformation, 13, "Scene size:"},
};

constexpr const char* kTextSections[] = {kMain,     kMessages,  kSettings, kSetType,
                                         kSetFileType, kSetLang, kSetImages, kSetFlash,
                                         kSetWall,  kSetHot,    kSetAbout, kRename,
                                         kQuality,  kInformation};

}  // namespace

std::span<const char* const> textSections()
{
    return kTextSections;
}

std::span<const LangEntry> entries()
{
    return kEntries;
}

QString englishDefault(const QString& section, int key)
{
    for (const LangEntry& e : kEntries) {
        if (e.key == key && section.compare(QLatin1String(e.section), Qt::CaseInsensitive) == 0)
            return QString::fromUtf8(e.englishDefault);
    }
    return {};
}

}  // namespace vx::lang
