#include "i18n/ProfileFile.h"

#include "i18n/TextCodec.h"

#include <QFile>
#include <QStringList>

namespace vx {
namespace {

QString fold(const QString& name)
{
    return name.trimmed().toCaseFolded();
}

QString unquote(QString value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value;
}

}  // namespace

void ProfileFile::load(const QString& path)
{
    QFile file(path);
    // No name reads as an empty file (without Qt's warning on the console).
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        parse({});
        return;
    }
    QByteArray bytes = file.read(kMaxReadBytes + 1);
    if (bytes.size() > kMaxReadBytes) {
        // Keep whole lines only, so a cut never splits a character.
        bytes.truncate(kMaxReadBytes);
        const qsizetype lastBreak = bytes.lastIndexOf('\n');
        bytes.truncate(lastBreak < 0 ? 0 : lastBreak);
    }
    parse(bytes);
}

void ProfileFile::parse(const QByteArray& bytes)
{
    sections_.clear();
    sectionIndex_.clear();
    const QString text = decodeText(bytes);
    Section* current = nullptr;
    bool currentIsFirst = false;

    qsizetype pos = 0;
    const qsizetype n = text.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = QStringView(text).sliced(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.isEmpty())
            continue;
        if (line.front() == u'[') {
            qsizetype close = line.indexOf(u']');
            const QString name = line.sliced(1, (close < 0 ? line.size() : close) - 1).toString();
            const QString key = fold(name);
            sections_.append(Section{});
            current = &sections_.back();
            currentIsFirst = !sectionIndex_.contains(key);
            if (currentIsFirst)
                sectionIndex_.insert(key, sections_.size() - 1);
            continue;
        }
        if (!current || !currentIsFirst)
            continue;  // lines before any section, or in a repeated section
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString keyName = line.first(eq).trimmed().toString();
        if (keyName.isEmpty())
            continue;
        QString value = unquote(line.sliced(eq + 1).trimmed().toString());
        if (value.size() > kMaxValueLength)
            value.truncate(kMaxValueLength);
        const QString folded = fold(keyName);
        if (!current->index.contains(folded)) {
            current->index.insert(folded, current->entries.size());
            current->entries.append({keyName, value});
        }
    }
}

bool ProfileFile::hasSection(const QString& section) const
{
    return sectionIndex_.contains(fold(section));
}

QString ProfileFile::value(const QString& section, const QString& key, const QString& fallback,
                           bool* found) const
{
    if (found)
        *found = false;
    const auto s = sectionIndex_.constFind(fold(section));
    if (s == sectionIndex_.cend())
        return fallback;
    const Section& sec = sections_[*s];
    const auto k = sec.index.constFind(fold(key));
    if (k == sec.index.cend())
        return fallback;
    if (found)
        *found = true;
    return sec.entries[*k].second;
}

QStringList ProfileFile::keys(const QString& section) const
{
    QStringList out;
    const auto s = sectionIndex_.constFind(fold(section));
    if (s == sectionIndex_.cend())
        return out;
    for (const auto& entry : sections_[*s].entries)
        out.append(entry.first);
    return out;
}

}  // namespace vx
