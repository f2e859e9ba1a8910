// The desktop's trash (the freedesktop.org trash convention, as Qt's
// QFile::moveToTrash implements it): whether a file can go there, and
// moving it. Where the file system has no trash the delete command removes
// the file for good, and says so before.
#pragma once

#include <QString>

namespace vx {

// True when path can be moved to a trash: the trash of the home folder when
// path lies on the home's file system, else a trash at the top of path's
// own file system ("$topdir/.Trash/$uid" or "$topdir/.Trash-$uid").
bool hasTrash(const QString& path);

// Moves path to its trash; false when it could not.
bool moveFileToTrash(const QString& path);

}  // namespace vx
