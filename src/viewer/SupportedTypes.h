// The one table of file types the viewer knows. Everything about a file is
// decided by its extension: whether the folder scan keeps it, which decoder
// opens it, which Open dialog row shows it, which association item covers it
// and whether it can be rotated.
#pragma once

#include "codecs/Graphic.h"

#include <QString>
#include <QStringList>
#include <array>

namespace vx {

struct SupportedType {
    const char* extension;        // key without the dot, upper case
    DecoderKind decoder;
    int openRow;                  // row of the Open dialog filter (1..27)
    bool inAllTypes;              // listed in the all-types pattern
    const char* associationItem;  // item of the association list
    bool rotatable;
};

inline constexpr int kSupportedTypeCount = 34;
extern const std::array<SupportedType, kSupportedTypeCount> SupportedTypeTable;

// The extension key: the text after the last dot of the name part of path
// (the search stops at the last separator), upper-cased in ASCII only;
// empty when there is no such dot. withDot prefixes the dot (".JPEG").
QString extensionKey(const QString& path, bool withDot = false);

// The row of the key (with or without its dot); nullptr when not supported.
const SupportedType* findSupportedType(const QString& key);

bool isViewable(const QString& name);
DecoderKind decoderOf(const QString& key);
bool isRotatable(const QString& key);

// The 31 association items in the order the settings dialog lists them.
const QStringList& associationItems();

// The Open dialog filter in description|pattern| pairs, the all-types row first.
QString buildOpenFilter(const QString& allTypesDescription);

// The same choices in Qt's file dialog syntax ("Description (patterns)"),
// with patterns that match names in any letter case. Show the dialog with
// QFileDialog::HideNameFilterDetails so only the descriptions appear.
QStringList openFilterToQtFilters(const QString& filter);

}  // namespace vx
