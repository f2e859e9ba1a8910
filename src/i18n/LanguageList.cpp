#include "i18n/LanguageList.h"

#include "i18n/LangStrings.h"
#include "i18n/ProfileFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

namespace vx {

LanguageList buildLanguageList(const QString& folder, const QString& currentLanguageFile)
{
    LanguageList list;
    const QString unknown = QStringLiteral("Unknown");
    const QString info = QString::fromLatin1(lang::kInfo);
    const QString currentName = QFileInfo(currentLanguageFile).fileName();
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo entry = it.fileInfo();
        if (entry.isDir())
            continue;  // a folder has no "Prog" to read
        const ProfileFile profile(entry.filePath());
        if (profile.value(info, QStringLiteral("Prog"), QString()) != lang::kProgramName)
            continue;
        auto field = [&](const char* key) {
            const QString v = profile.value(info, QString::fromLatin1(key), unknown);
            return v.isEmpty() ? unknown : v;
        };
        list.rows.append({entry.fileName(), field("Lang"), field("Ver")});
        if (!currentName.isEmpty() && entry.fileName() == currentName)
            list.selectedGridRow = int(list.rows.size());
    }
    return list;
}

QStringList authorLines(const QString& fileName)
{
    const ProfileFile profile(fileName);
    const QString section = QString::fromLatin1(lang::kAuthor);
    QStringList lines;
    for (const QString& key : profile.keys(section))
        lines.append(profile.value(section, key, QString()));
    return lines;
}

QString authorText(const QString& fileName)
{
    return authorLines(fileName).join(QStringLiteral("\r\n"));
}

QString LanguageChoice::takeApplyPath(const QString& folder, const LanguageList& list)
{
    if (!changed_ || chosenRow_ < 1 || chosenRow_ > list.rows.size())
        return {};
    changed_ = false;
    QString base = folder;
    if (!base.isEmpty() && !base.endsWith(u'/'))
        base += u'/';
    return base + list.rows[chosenRow_ - 1].fileName;
}

}  // namespace vx
