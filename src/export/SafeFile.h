// Files that replace what the user had only once they are complete: the
// content goes to a temporary file in the target's folder, which is renamed
// over the target at the end. Any failure leaves the old file untouched and
// throws SaveError with the system's text. Where the folder refuses the
// temporary file but the target may be written, the content is gathered in
// memory and written over the target in place, with its room reserved first.
#pragma once

#include "codecs/Bitmap.h"

#include <QByteArray>
#include <QString>
#include <memory>

class QBuffer;
class QIODevice;

namespace vx {

// A file could not be created, written or put in place.
class SaveError : public CodecError {
public:
    using CodecError::CodecError;
};

class SafeFileWriter {
public:
    // Starts the temporary file; throws SaveError when it can't.
    explicit SafeFileWriter(const QString& path);
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    // Without commit() the temporary file is removed and the target stays.
    ~SafeFileWriter();

    QIODevice& device();
    const QString& path() const { return path_; }

    // Writes all bytes or throws SaveError.
    void write(const void* data, qint64 size);
    void write(const QByteArray& data) { write(data.constData(), data.size()); }
    // Moves to an absolute position (for patching fields written earlier).
    void seek(qint64 position);
    // Flushes, syncs and renames the file over the target; throws SaveError.
    void commit();

    // Throws SaveError naming the file, with the device's error text.
    [[noreturn]] void fail(const QString& what) const;

private:
    class FdDevice;
    void commitInPlace();

    QString path_;
    QByteArray tempPath_;
    std::unique_ptr<FdDevice> file_;
    std::unique_ptr<QBuffer> memory_;  // in-place mode
};

// Byte-for-byte copy of source to target; the target is replaced only once
// the copy is complete. Throws SaveError on any failure.
void copyFileSafely(const QString& source, const QString& target);

}  // namespace vx
