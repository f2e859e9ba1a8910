// Every text the viewer shows, addressed by language file section and
// decimal key, with its built-in English default. The language file of the
// user replaces any of them; a text missing there keeps its default.
#pragma once

#include <QString>
#include <span>

namespace vx::lang {

struct LangEntry {
    const char* section;
    int key;
    const char* englishDefault;  // UTF-8
};

// Section names as written in language files.
inline constexpr const char* kInfo = "Info";
inline constexpr const char* kAuthor = "Author";
inline constexpr const char* kMain = "Main";
inline constexpr const char* kMessages = "Messages";
inline constexpr const char* kSettings = "Settings";
inline constexpr const char* kSetType = "SetType";
inline constexpr const char* kSetFileType = "SetFileType";
inline constexpr const char* kSetLang = "SetLang";
inline constexpr const char* kSetImages = "SetImages";
inline constexpr const char* kSetFlash = "SetFlash";
inline constexpr const char* kSetWall = "SetWall";
inline constexpr const char* kSetHot = "SetHot";
inline constexpr const char* kSetAbout = "SetAbout";
inline constexpr const char* kRename = "Rename";
inline constexpr const char* kQuality = "Quality";
inline constexpr const char* kInformation = "Information";

inline constexpr int kHintCount = 16;
inline constexpr int kMessageCount = 25;

// The text sections in the order their windows are labelled.
std::span<const char* const> textSections();

// All (section, key, default) entries, grouped by section in key order.
std::span<const LangEntry> entries();

// The English default of a text; an empty string for unknown pairs (and for
// "SetAbout" key 4, whose default is empty).
QString englishDefault(const QString& section, int key);

// Keys of the main window's messages (section "Messages").
enum Message : int {
    CannotRegisterFlash = 1,
    CannotDeleteFile = 2,
    FlashWallpaperMissing = 3,
    ImageTooBigForHtml = 4,
    UnknownExtension = 5,
    CannotOpenFile = 6,
    WrongExtension = 7,
    FileNotExist = 8,
    FolderErased = 9,
    AllImagesDeleted = 10,
    CannotWriteRegistry = 11,
    AllSupportedTypes = 12,
    SplashMissing = 13,
    SplashDisabled = 14,
    NothingIsOpen = 15,
    DeleteFileQuestion = 16,
    Bytes = 17,
    Kilobytes = 18,
    TrashFileQuestion = 19,
    NoTrashWarning = 20,
    CannotRenameFile = 21,
    NameExists = 22,
    NameHasSeparator = 23,
    NameIsDots = 24,
    OverwriteQuestion = 25,
};


// Lines of composed messages are joined with a line feed and a carriage return.
inline const QString kLineBreak = QStringLiteral("\n\r");

// The program's version shown on the About page.
inline const QString kVersionText = QStringLiteral("2.03");
// The value "Prog" of a language file's "Info" section must have.
inline const QString kProgramName = QStringLiteral("Vextrel Viewer");

}  // namespace vx::lang
