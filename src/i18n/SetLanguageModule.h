// Language files: the lookup every apply step uses, the active language and
// its persistence in the settings key, and the choice made at start-up.
// Paths use "/" separators; the program folder ends with one.
#pragma once

#include <QString>

namespace vx {

// The value of key in section of the profile file, or defaultText when the
// file, section or key is missing or the value is empty. Never fails.
QString ReadLangString(const QString& fileName, const QString& section, const QString& key,
                       const QString& defaultText);

// Full path of the active language file; empty until start-up sets it.
QString CurrentLanguageFile();

// Makes fileName the active language and writes it as the string value
// "Language" of the settings key (created when missing). A failure to write
// is ignored.
void SaveLanguage(const QString& fileName);

// programFolder + "Data/Languages/".
QString languageFolder(const QString& programFolder);
// The language used when none is set: programFolder + "Data/Languages/Russian.lng".
QString defaultLanguageFile(const QString& programFolder);

// The "Language" value of the settings key when it exists, else the default file.
QString startupLanguageFile(const QString& programFolder);

// Start-up choice: the path of startupLanguageFile, saved again with
// SaveLanguage and applied to the main window texts (LangMainForm). Returns
// the path; the dialogs take CurrentLanguageFile() at the first show.
QString chooseStartupLanguage(const QString& programFolder);

}  // namespace vx
