// The texts of one language file, read once and looked up by section and
// decimal key. A missing file, section or key, or an empty value, gives the
// built-in English default of the pair.
#pragma once

#include "i18n/ProfileFile.h"

#include <QString>

namespace vx {

class LanguageTable {
public:
    // English defaults only.
    LanguageTable() = default;
    explicit LanguageTable(const QString& fileName);

    const QString& fileName() const { return fileName_; }

    // The text of (section, key) with the table's English default.
    QString text(const QString& section, int key) const;
    // The same with an explicit default (empty value -> defaultText).
    QString text(const QString& section, const QString& key, const QString& defaultText) const;

    QString hint(int key) const;     // "Main" 1..16
    QString message(int key) const;  // "Messages" 1..18

    const ProfileFile& profile() const { return profile_; }

private:
    QString fileName_;
    ProfileFile profile_;
};

}  // namespace vx
