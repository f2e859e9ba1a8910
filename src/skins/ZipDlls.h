// The binding to the unzip library, shared by every zip component of the
// process: loaded on demand from a folder, checked for its version.
#pragma once

#include "UnzDll.h"

#include <QString>

namespace vx::zipdll {

// File name of the library in its folder.
QString libraryFileName();

// Loads folder/libunzdll.so (the system's search when folder is empty)
// unless loaded; throws ZipError "Unable to load \"UnzDll.dll\"." when it
// cannot be loaded or lacks an entry point, and "Error - invalid version of
// ZipDll.dll or UnzDll.dll" when its version is below 160.
void load(const QString& folder);
bool isLoaded();
void unload();

// The loaded entry point (null when not loaded).
UnzDllExecFn exec();

}  // namespace vx::zipdll
