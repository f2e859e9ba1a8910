// Reading and writing one hive file, and the locked, atomic
// read-modify-write cycle the registry keys use.
//
// A hive is parsed once per change of its file: later reads of an unchanged
// file (same identity, size and times, or the same bytes) reuse the parsed
// keys. Lines that are not registry syntax are skipped, the rest is kept; the
// file as it was is copied beside it (".bad-" and a digest of its bytes) and
// the skipped lines are named once on stderr. A file without write permission
// is never replaced: writing to it fails. A replaced file keeps its mode.
#pragma once

#include "platform/HiveText.h"
#include "platform/Registry.h"

#include <functional>

namespace vx {

// Path of the hive's file.
QString hiveFilePath(Hive hive);

// Reads the hive (empty when the file doesn't exist). Inside a RegistryBatch
// the batch's pending changes are included. Throws RegistryError when the
// file exists but cannot be read.
HiveData loadHive(Hive hive);

// Locks the hive, reads it afresh, applies change and replaces the file
// atomically. Returns the data as written. Inside a RegistryBatch the change
// is kept and written when the batch commits. Throws RegistryError on failure.
HiveData updateHive(Hive hive, const std::function<void(HiveData&)>& change);

}  // namespace vx
