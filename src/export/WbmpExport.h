// The WBMP branch of the save command: the source bitmap through the WBMP
// image writer, put in place only once complete.
#pragma once

#include "export/SaveToFileFunctions.h"

namespace vx {

void WriteWbmp(const DisplayedPicture& picture, const QString& path);

}  // namespace vx
