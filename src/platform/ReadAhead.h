// Asks the operating system to start reading a file into its cache, so that
// opening it next costs only the decoding.
#pragma once

#include <QString>

namespace vx {

void adviseReadAhead(const QString& path);

}  // namespace vx
