// The program's argument as a path to open: a file:// address becomes its
// local file, a relative path is made absolute against the working folder
// the program was started in, and a folder stands for its first viewable
// file. Done once, before anything at start-up can touch the working folder.
#pragma once

#include <QString>

namespace vx {

QString resolveStartArgument(const QString& argument);

}  // namespace vx
