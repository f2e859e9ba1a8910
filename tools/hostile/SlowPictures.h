// Valid pictures, one per decoder and decoding path, that take a good part
// of a second or more to decode: large pictures packed small (long runs,
// deflate, many layers, many records). The cancellation benchmark decodes
// each and cancels it on the way.
#pragma once

#include <QString>
#include <QStringList>

namespace vx::hostile {

// Writes the slow pictures into folder (once: existing files are kept) and
// returns their paths, one per decoder and decoding path. With
// divideSizesBy, the same pictures made small (their names give their sizes).
QStringList writeSlowPictures(const QString& folder, int divideSizesBy = 1);

}  // namespace vx::hostile
