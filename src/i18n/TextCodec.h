// Decoding of the single-byte texts the viewer reads (language files, skin
// descriptions, archive names): a file that is valid UTF-8 is taken as UTF-8,
// anything else as Windows-1251, the code page the Russian texts were written in.
#pragma once

#include <QByteArray>
#include <QString>

namespace vx {

// True when bytes form valid UTF-8 (an empty array is valid).
bool isValidUtf8(const QByteArray& bytes);

// Windows-1251 to Unicode; every byte maps to one character (0x98 to U+FFFD).
QString decodeWindows1251(const QByteArray& bytes);

// IBM code page 437 (the "OEM" names of zip archives) to Unicode.
QString decodeCp437(const QByteArray& bytes);

// UTF-8 when valid (a leading byte order mark is dropped), else Windows-1251.
QString decodeText(const QByteArray& bytes);

}  // namespace vx
