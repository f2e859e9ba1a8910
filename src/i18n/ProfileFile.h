// A profile ("INI") file read once and asked many times: section header lines
// "[name]" followed by "key=value" lines. Section and key names are matched
// without letter case, the first occurrence wins; a value is the text after
// the first "=" with surrounding blanks removed and one pair of matching
// quotes taken off, at most kMaxValueLength characters. A missing or
// unreadable file reads as an empty one. Only the first kMaxReadBytes of a
// file are looked at, so an oversized or binary file costs bounded time.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <utility>

namespace vx {

class ProfileFile {
public:
    static constexpr int kMaxValueLength = 2047;
    static constexpr qint64 kMaxReadBytes = 4 * 1024 * 1024;

    ProfileFile() = default;
    explicit ProfileFile(const QString& path) { load(path); }

    // Replaces the content with the file's; never fails.
    void load(const QString& path);
    // Replaces the content with the given bytes (decoded as UTF-8 when valid,
    // else as Windows-1251).
    void parse(const QByteArray& bytes);

    bool hasSection(const QString& section) const;
    // The value of key in section, or fallback when either is missing;
    // found (when given) tells which.
    QString value(const QString& section, const QString& key, const QString& fallback,
                  bool* found = nullptr) const;
    // Key names of a section in file order (repeated names once, at their first place).
    QStringList keys(const QString& section) const;

private:
    struct Section {
        QList<std::pair<QString, QString>> entries;  // key as written, value
        QHash<QString, qsizetype> index;             // folded key -> first entry
    };
    QList<Section> sections_;
    QHash<QString, qsizetype> sectionIndex_;  // folded name -> first section
};

}  // namespace vx
