// Whether the folder of the emulated registry can hold its files. When it
// can't (a file where the folder should be, a read-only home), the viewer
// runs without stored settings and says why once.
#pragma once

#include <QString>

namespace vx {

// Empty when registryFolder() exists as a writable folder or can be made;
// otherwise a sentence saying what is wrong with it.
QString registryFolderProblem();

// Prints the problem (if any) once per process on stderr; true when there was one.
bool reportRegistryFolderProblemOnce();

}  // namespace vx
