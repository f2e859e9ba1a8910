#include "i18n/SetLanguageModule.h"

#include "i18n/MainFormTexts.h"
#include "i18n/ProfileFile.h"

#include "settings/SettingsTable.h"

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
    // When it can't be stored, the language still applies until the program ends.
    storeSettingText(SettingId::Language, fileName);
}

QString languageFolder(const QString& programFolder)
{
    return programFolder + QStringLiteral("Data/Languages/");
}

QString defaultLanguageFile(const QString& programFolder)
{
    return settingDefault(settingEntry(SettingId::Language), programFolder).text;
}

QString startupLanguageFile(const QString& programFolder)
{
    try {
        RegistryKey key;
        if (key.open(kSettingsHive, kSettingsKeyPath, true))
            if (const auto value = readSetting(key, settingEntry(SettingId::Language)))
                return value->text;
    } catch (const std::exception&) {
    }
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
