// Names and patterns of archive entries: matching the caller's file specs and
// turning a stored name into a path that stays inside the target folder.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace unz {

// Windows-style wildcard match (* and ?), letters compared without case;
// "*.*" matches every name. Backslashes in either count as "/".
bool matchesSpec(const std::string& pattern, const std::string& name);

// The folder components of a stored name, or nothing when the name is
// absolute, names a drive, or climbs out with "..". Empty and "." parts are
// dropped; a name that is only a folder gives its folder parts.
std::optional<std::vector<std::string>> safeRelativeParts(const std::string& storedName);

// True when the stored name denotes a folder (ends with a separator).
bool isFolderName(const std::string& storedName);

}  // namespace unz
