// The language list of the settings dialog, without widgets: which files of
// the language folder are offered, which row is the active language, the
// author lines of a file, and the choice that Apply turns into a new language.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace vx {

struct LanguageListRow {
    QString fileName;  // name inside the language folder
    QString language;  // "Info" "Lang", default "Unknown"
    QString version;   // "Info" "Ver", default "Unknown"
};

struct LanguageList {
    QList<LanguageListRow> rows;  // grid row n is rows[n - 1]
    int selectedGridRow = -1;     // grid row of the active language; -1 = none
};

// Every entry of folder in directory order whose "Info" "Prog" is exactly
// "Vextrel Viewer"; the row whose name equals the file name part of
// currentLanguageFile (case-sensitive) is the selected one (the last such).
LanguageList buildLanguageList(const QString& folder, const QString& currentLanguageFile);

// The values of the "Author" section of a file, in file order; empty when the
// file or the section is missing.
QStringList authorLines(const QString& fileName);
// The same joined by CR LF, as the author box shows them.
QString authorText(const QString& fileName);

// The dialog's chosen row and language-changed flag (Algorithms of the
// language page): the row survives closing the dialog.
class LanguageChoice {
public:
    int chosenRow() const { return chosenRow_; }
    bool changed() const { return changed_; }

    // After the list was built (the selection step may have run during it).
    void listBuilt() { changed_ = false; }
    void select(int gridRow)
    {
        chosenRow_ = gridRow;
        changed_ = true;
    }
    // The file Apply should make the language, or an empty string when there
    // is nothing to apply. Clears the changed flag when it returns a path.
    QString takeApplyPath(const QString& folder, const LanguageList& list);

private:
    int chosenRow_ = -1;
    bool changed_ = false;
};

}  // namespace vx
