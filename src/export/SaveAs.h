// The save command without its widgets: the two save dialogs' filters and
// proposals, the default extension per picture filter, the overwrite
// question, choosing the writer by the typed extension and the writes
// themselves. The main window runs the dialogs and the question, then calls
// saveAs() with what the user chose.
#pragma once

#include "export/SaveToFileFunctions.h"

#include <QString>
#include <QStringList>
#include <array>

namespace vx {

// The JPEG options window's values at the moment of saving.
struct JpegOptions {
    int quality = 100;  // 1..100
    bool grayscale = false;
};

// One entry of a save dialog's filter: the fixed text, its pattern and the
// extension the dialog appends to a name typed without one.
struct SaveFilterEntry {
    const char* text;
    const char* pattern;
    const char* defaultExtension;
};

// Picture save filter, filter index 1..7 = array index + 1.
const std::array<SaveFilterEntry, 7>& pictureSaveFilterEntries();
// "BMP - Windows Bitmap|*.bmp|JPG - JPG File|*.jpg|...|WBMP - Wireless Bitmap|*.wbmp"
QString pictureSaveFilter();
// The SWF copy filter: "SWF - Shockwave flash|*.swf", default extension "swf".
const SaveFilterEntry& swfSaveFilterEntry();
QString swfSaveFilter();
// A "text|pattern|text|pattern" filter as Qt file dialog filters ("text (pattern)").
QStringList qtNameFilters(const QString& filter);

// Key of a file name: the upper-cased (ASCII) text after its last dot, with
// the dot; empty when the name has no dot after its last path separator.
QString saveExtensionKey(const QString& fileName);

// The 33 extensions (without dot, upper case) whose pictures can be saved.
bool isSavablePictureExtension(const QString& currentExtension);

enum class SaveDialogKind { None, Picture, Movie };

// How to prepare the save dialog for the current file.
struct SaveDialogSetup {
    SaveDialogKind kind = SaveDialogKind::None;  // None: nothing to save
    QString proposedName;                          // file name without its extension
    QString folder;                                // the current file's folder
    QString filter;                                // "text|pattern|..." form
    QStringList nameFilters;                       // the same for a Qt dialog
    int filterIndex = 1;
    QString defaultExtension;
};
SaveDialogSetup saveDialogSetup(const QString& currentPath);

// What the picture dialog does when the user picks filter index 1..7.
struct SaveTypeChange {
    QString defaultExtension;
    bool showJpegOptions = false;  // true exactly for index 2 (JPG)
};
SaveTypeChange SaveDialog1TypeChange(int filterIndex);

// The replace question: the language's wording ("%1" stands for the full
// path), or the English one when the language file has none.
QString overwriteQuestion(const QString& fullPath, const QString& wording);

enum class SaveFormat { None, Bmp, Jpeg, Tiff, Emf, Html, Png, Wbmp, SwfCopy };
// The writer for a typed file name; None for any other extension (".TIF"
// and names without extension among them).
SaveFormat saveFormatFor(const QString& fileName);

// Makes an existing target replaceable: adds the owner's write permission.
// Throws SaveError when the permission can't be changed.
void clearAttributes(const QString& path);

// Appends "." + defaultExtension to a name typed without extension.
QString withDefaultExtension(const QString& fileName, const QString& defaultExtension);

// The file a save writes: the chosen name keeps its extension when the
// dialog's types can write it (one of the seven picture types, ".swf" for a
// movie); any other name ("photo.v1", "movie.v2.copy", "a.tif") gets the
// chosen type's extension appended, as a name without one does.
QString saveTargetName(const QString& chosenFileName, SaveDialogKind kind, int filterIndex);

// Writes the picture to path with the writer of its extension and returns
// which one ran (None: nothing written, nothing reported). Writer errors
// are thrown as CodecError: SaveError for file-system failures (the EMF and
// WBMP writers may throw a plain CodecError), PictureTooBigError for the
// HTML limit.
SaveFormat SaveByExtension(const DisplayedPicture& picture, const QString& path,
                           const JpegOptions& jpeg,
                           const QString& tooBigMessage = QString::fromLatin1(kHtmlTooBigDefault));

// The save after the dialog (and, for an existing target, after the user
// answered Yes to overwriteQuestion()): a movie (current extension "SWF")
// is copied byte for byte, a picture written by SaveByExtension. The chosen
// name gets the default extension of filterIndex when it has none; an
// existing target gets its attributes cleared first. Returns the format
// written: None for a name with an unknown extension or a current file
// that is neither a savable picture nor a movie, SwfCopy for a movie.
// Throws CodecError (see SaveByExtension).
SaveFormat saveAs(const DisplayedPicture& picture, const QString& currentPath,
                  const QString& chosenFileName, int filterIndex, const JpegOptions& jpeg,
                  const QString& tooBigMessage = QString::fromLatin1(kHtmlTooBigDefault));

}  // namespace vx
