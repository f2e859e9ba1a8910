// The main window's sixteen button hints and eighteen message strings. They
// are empty until the first LangMainForm and then hold the texts of the last
// applied language; every message the main window shows is taken from here.
#pragma once

#include "i18n/LangStrings.h"

#include <QString>
#include <array>
#include <functional>

namespace vx {

struct MainFormTexts {
    std::array<QString, lang::kHintCount> hints;        // "Main" 1..16, index key-1
    std::array<QString, lang::kMessageCount> messages;  // "Messages" 1..18, index key-1
    QString openFilter;  // the Open dialog's filter built after "Messages" 12
};

// Reads the hints and messages of fileName (English defaults for what is
// missing) without storing them.
MainFormTexts readMainFormTexts(const QString& fileName);

// Applies fileName to the main window texts: reads them, builds the Open
// filter from "Messages" 12 and stores everything as the program's texts.
// Returns what was stored so the window can set its button hints.
MainFormTexts LangMainForm(const QString& fileName);

// Builds the Open dialog's filter from the "All supported types" caption.
// Until one is installed the filter is the caption itself.
void setOpenFilterBuilder(std::function<QString(const QString& allTypesDescription)> builder);

namespace lang {

// The stored texts (empty before the first LangMainForm).
QString message(int key);
QString hint(int key);
QString openFilter();
// The stored message, or its English default while none is stored.
QString messageOrDefault(int key);
const MainFormTexts& mainFormTexts();

// Composed status texts of the main window.
QString unknownExtensionText(const QString& dottedExtension);  // 5 + " " + ext
QString cannotOpenText(const QString& fileName);               // 6 + " " + name + LF CR + 7
QString folderErasedText();                                    // 9 + LF CR + 10
QString splashMissingText();                                   // 13 + LF CR + 14
QString deleteQuestionText(const QString& fullPath);           // 16 + " " + LF CR + path + " ?"
QString trashQuestionText(const QString& fullPath);            // 19 + " " + LF CR + path + " ?"
QString deleteForGoodQuestionText(const QString& fullPath);    // the delete question + LF CR + 20
QString renameRefusedText(const QString& fileName, const QString& reason);  // 21 + " " + name + LF CR + reason

// A composed text as a message box shows it: each LF CR pair is one line
// break (the box would take the CR for a second one).
QString shownText(QString text);

}  // namespace lang
}  // namespace vx
