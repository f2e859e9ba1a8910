#include "i18n/LanguageTable.h"

#include "i18n/LangStrings.h"

namespace vx {

LanguageTable::LanguageTable(const QString& fileName) : fileName_(fileName), profile_(fileName) {}

QString LanguageTable::text(const QString& section, int key) const
{
    return text(section, QString::number(key), lang::englishDefault(section, key));
}

QString LanguageTable::text(const QString& section, const QString& key,
                            const QString& defaultText) const
{
    const QString value = profile_.value(section, key, defaultText);
    return value.isEmpty() ? defaultText : value;
}

QString LanguageTable::hint(int key) const
{
    return text(QString::fromLatin1(lang::kMain), key);
}

QString LanguageTable::message(int key) const
{
    return text(QString::fromLatin1(lang::kMessages), key);
}

}  // namespace vx
