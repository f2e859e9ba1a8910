// File names as the file system holds them. Linux names are bytes; a name
// that is not UTF-8 (a Latin-1 "café" copied from an old disk) keeps each
// byte that UTF-8 can't read as one character U+DC80..U+DCFF, so the path
// goes back to the same bytes and the file opens. Such characters are shown
// as replacement characters.
#pragma once

#include <QByteArray>
#include <QString>

class QFile;

namespace vx {

// The name's bytes as a QString: UTF-8 where they are UTF-8, the rest kept.
QString decodeFileName(const char* bytes, qsizetype length);
inline QString decodeFileName(const QByteArray& bytes) { return decodeFileName(bytes.constData(), bytes.size()); }
// The bytes of a path made by decodeFileName (or any other QString).
QByteArray encodeFileName(const QString& path);
// The path as a person reads it: kept bytes shown as U+FFFD.
QString displayFileName(const QString& path);

// Whether path names an existing file or folder, also with kept bytes.
bool fileExists(const QString& path);

// Opens path for reading, also where it holds kept bytes; false (with the
// file's error string set) when it can't be opened.
bool openForReading(QFile& file, const QString& path);

}  // namespace vx
