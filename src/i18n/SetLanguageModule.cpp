#include "i18n/SetLanguageModule.h"

#include "i18n/MainFormTexts.h"
#include "i18n/ProfileFile.h"

#ifdef VX_HAVE_REGISTRY
#include "settings/SettingsKey.h"
#endif

namespace vx {
namespace {

QString& currentLanguageFileStore()
{
    static QString path;
    return path;
}

}  // namespace

QString ReadLangString(const QString& fileName, const QString& section, const QString& key,
                       const QString& defaultText)
{
    const ProfileFile profile(fileName);
    const QString value = profile.value(section, key, defaultText);
    return value.isEmpty() ? defaultText : value;
}

QString CurrentLanguageFile()
{
    return currentLanguageFileStore();
}

void SaveLanguage(const QString& fileName)
{
    currentLanguageFileStore() = fileName;
#ifdef VX_HAVE_REGISTRY
    try {
        RegistryKey key;
        if (key.open(kSettingsHive, kSettingsKeyPath, true))
            key.writeString(QStringLiteral("Language"), fileName);
    } catch (const std::exception&) {
        // The language still applies until the program ends.
    }
#endif
}

QString languageFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("Data/Languages/");
}

QString defaultLanguageFile(const QString& programFolder)
{
    return languageFolder(programFolder) + QStringLiteral("Russian.lng");
}

QString startupLanguageFile(const QString& programFolder)
{
#ifdef VX_HAVE_REGISTRY
    try {
        RegistryKey key;
        if (key.open(kSettingsHive, kSettingsKeyPath, true)) {
            const auto value = key.value(QStringLiteral("Language"));
            if (value && value->type == RegistryValue::Type::String)
                return value->text;
        }
    } catch (const std::exception&) {
    }
#endif
    return defaultLanguageFile(programFolder);
}

QString chooseStartupLanguage(const QString& programFolder)
{
    const QString path = startupLanguageFile(programFolder);
    SaveLanguage(path);
    LangMainForm(path);
    return path;
}

}  // namespace vx
