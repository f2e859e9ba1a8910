// Reading a whole file into memory: the one way every decoder and reader
// that needs a file's complete content gets it.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace vx {

// Largest file read into memory whole: no picture or movie we open comes
// near it, and a larger one is refused before anything is allocated.
inline constexpr int64_t kMaxFileBytes = int64_t(1) << 30;

// The whole content of the file at path. Throws CodecError when it cannot be
// opened or read completely, or is larger than limit bytes (a reader whose
// format has a smaller bound passes it here).
QByteArray readFileBytes(const QString& path, int64_t limit = kMaxFileBytes);

}  // namespace vx
