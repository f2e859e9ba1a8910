// File type associations: the viewer's class name for each extension in the
// emulated classes hive, the shell's per-user record of the chosen class,
// and the same choice mirrored to the desktop (freedesktop conventions).
// The check state of a row is read from the emulated hives alone.
#pragma once

#include "viewer/SupportedTypes.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace vx {

// The rows of the file types list in list order (the format table's
// association groups): item text, extensions with their descriptions, and
// the extension that decides the check state.
const QList<AssociationGroup>& associationRows();

// The skin package extension, registered whenever associations are written.
inline const QString kSkinExtension = QStringLiteral(".vxskin");
inline const QString kSkinDescription = QStringLiteral("Vextrel Viewer SKIN");

// "VextrelViewer" + extension.
QString associationClassName(const QString& dottedExtension);
// The shell's per-user record of an extension (HKCU).
QString fileExtsKeyPath(const QString& dottedExtension);

// Both the per-user record and the classes hive name the viewer's class
// (exact comparison). Never fails; missing entries read as empty.
bool IsExtensionAssociated(const QString& extension);

// The five entries of one extension, in order; a name without a dot gets one.
// Throws RegistryError when a hive can't be written.
void AssociateExtension(const QString& extension, const QString& description, const QString& programPath);

// Removes the viewer's class key and the two references that name it; other
// programs' entries stay. Throws RegistryError when a hive can't be written.
void UnassociateExtension(const QString& extension);

// The check state of every row, as the dialog shows it.
std::vector<bool> readAssociationChecks();

// Writes the skin extension, then every row (registered when checked,
// removed otherwise), then mirrors the choice to the desktop. iconPng is
// the desktop icon as a PNG file (may be empty). Throws
// std::runtime_error (RegistryError or XdgError) at the first write that
// fails; what was written before stays.
void writeAssociations(const std::vector<bool>& checked, const QString& programPath, const QByteArray& iconPng);

}  // namespace vx
