// The order in which folders list their files, as file managers show them:
// letter case ignored, runs of digits compared as numbers ("img2" before
// "img10"), ties broken by the exact bytes so that the order is total.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace vx {

// Appends the sort key of a file name (its bytes) to key; keys compare
// byte by byte (shorter first on a common start) in the order above, and
// the names' bytes decide between equal keys.
void appendFileNameSortKey(std::string& key, const char* name, size_t length);

// The first 16 bytes of that key (zeros past its end) as two big-endian
// numbers, which compare as those bytes do. Most names differ within
// them, so a sort rarely needs the whole keys.
struct FileNameKeyHead {
    uint64_t high, low;
};
FileNameKeyHead fileNameKeyHead(const char* name, size_t length);

}  // namespace vx
