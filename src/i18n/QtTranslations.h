// Qt's own texts (standard buttons, file dialogs) in the language of the
// active language file: the file's name ("Russian.lng") or its "Lang" value
// ("Русский") is matched against the language names Qt knows, and Qt's
// translation of that language, where one is installed, replaces the
// previous one.
#pragma once

#include <QString>

namespace vx {

// The locale name ("ru") of a language file; empty when it names no language Qt knows.
QString languageFileLocale(const QString& languageFile);

// Installs Qt's translation for languageFile (removing the one installed
// before); true when one was found.
bool applyQtTranslations(const QString& languageFile);

}  // namespace vx
