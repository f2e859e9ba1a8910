#include "i18n/QtTranslations.h"

#include "i18n/ProfileFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace vx {
namespace {

std::unique_ptr<QTranslator>& installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

QString localeOfName(const QString& name)
{
    const QString wanted = name.trimmed();
    if (wanted.isEmpty())
        return {};
    for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage; ++l) {
        const auto language = QLocale::Language(l);
        const QLocale locale(language);
        if (locale.language() != language)
            continue;
        if (QLocale::languageToString(language).compare(wanted, Qt::CaseInsensitive) == 0
            || locale.nativeLanguageName().compare(wanted, Qt::CaseInsensitive) == 0)
            return locale.name().section(QLatin1Char('_'), 0, 0);
    }
    return {};
}

}  // namespace

QString languageFileLocale(const QString& languageFile)
{
    const QString byName = localeOfName(QFileInfo(languageFile).completeBaseName());
    if (!byName.isEmpty() || !QFileInfo(languageFile).isFile())
        return byName;
    return localeOfName(ProfileFile(languageFile).value(QStringLiteral("Info"), QStringLiteral("Lang"), QString()));
}

bool applyQtTranslations(const QString& languageFile)
{
    if (installed()) {
        QCoreApplication::removeTranslator(installed().get());
        installed().reset();
    }
    const QString locale = languageFileLocale(languageFile);
    if (locale.isEmpty() || locale == QLatin1String("en"))
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral("qtbase_") + locale, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    if (!QCoreApplication::installTranslator(translator.get()))
        return false;
    installed() = std::move(translator);
    return true;
}

}  // namespace vx
