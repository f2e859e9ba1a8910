// The one table of file types the viewer knows. Everything about a file is
// decided by its extension: whether the folder scan keeps it, which decoder
// opens it, which Open dialog row shows it, which association group covers
// it, whether it can be saved and rotated and how the window treats it.
// Every other list (the Open filter, the all-types pattern, the association
// groups, the savable pictures, the folder scan's keys) is derived from it.
//
// To add a picture format, add one row to the table in SupportedTypes.cpp
// (or, for a format known only at run time, call addSupportedType).
#pragma once

#include "codecs/Graphic.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <deque>

namespace vx {

// Creates an empty decoder; nullptr for a movie (the Flash host plays it).
using GraphicFactory = std::unique_ptr<Graphic> (*)();

template <class Decoder>
std::unique_ptr<Graphic> makeGraphic()
{
    return std::make_unique<Decoder>();
}

// Behaviour of a row, or-ed together in SupportedType::flags.
enum TypeFlag : unsigned {
    InAllTypes = 1u << 0,   // listed in the Open dialog's all-types pattern
    Rotatable = 1u << 1,    // the rotate commands act on it
    Savable = 1u << 2,      // Save as accepts it as a source picture
    Animated = 1u << 3,     // frames played by the animator; saved as its first frame
    Vector = 1u << 4,       // draws itself at any size
    Movie = 1u << 5,        // handed to the Flash host, not to a decoder
    IconSized = 1u << 6,    // shown at the system icon size, not its own
    KeepsDepth = 1u << 7,   // the writers get its bitmap with depth and palette
};

struct SupportedType {
    const char* extension;           // key without the dot, upper case
    GraphicFactory decoder;          // nullptr exactly for movies
    int openRow;                     // Open dialog row (1-based); rows sharing it share the description
    const char* openDescription;     // that row's description
    int associationRow;              // row of the settings dialog's file-type list (0-based)
    const char* associationItem;     // that row's text
    unsigned flags;

    bool has(TypeFlag flag) const { return (flags & flag) != 0; }
    bool isMovie() const { return has(Movie); }
};

// Every row, built-in ones first in the order the folder scans test them.
// Rows never move: pointers to them stay valid.
const std::deque<SupportedType>& supportedTypes();

// Adds a row (a format known only at run time, a test's made-up format).
// Every derived list follows. The key must be new and upper case. Call it
// before other threads read the table.
void addSupportedType(const SupportedType& row);

// The extension key: the text after the last dot of the name part of path
// (the search stops at the last separator), upper-cased in ASCII only;
// empty when there is no such dot. withDot prefixes the dot (".JPEG").
QString extensionKey(const QString& path, bool withDot = false);

// The row of the key (with or without its dot); nullptr when not supported.
const SupportedType* findSupportedType(const QString& key);

bool isViewable(const QString& name);
bool isRotatable(const QString& key);
bool isSavablePicture(const QString& key);

// One row of the settings dialog's file-type list: its text, its
// extensions (with the dot, lower case) in table order, the description
// stored for each, and the extension whose registration decides its check.
struct AssociationGroup {
    QString item;
    QStringList extensions;
    QStringList descriptions;
    QString probedExtension;
};
// The groups in the dialog's order.
QList<AssociationGroup> associationGroups();

// The Open dialog filter in description|pattern| pairs, the all-types row first.
QString buildOpenFilter(const QString& allTypesDescription);

// The same choices in Qt's file dialog syntax ("Description (patterns)"),
// with patterns that match names in any letter case. Show the dialog with
// QFileDialog::HideNameFilterDetails so only the descriptions appear.
QStringList openFilterToQtFilters(const QString& filter);

}  // namespace vx
