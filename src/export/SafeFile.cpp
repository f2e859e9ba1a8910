#include "export/SafeFile.h"

#include <QDir>
#include <QFile>
#include <vector>

namespace vx {

namespace {

std::string describe(const QString& what, const QString& path, const QString& reason)
{
    QString text = what + " \"" + QDir::toNativeSeparators(path) + "\"";
    if (!reason.isEmpty())
        text += ": " + reason;
    return text.toStdString();
}

}  // namespace

SafeFileWriter::SafeFileWriter(const QString& path) : path_(path), file_(path)
{
    // Never fall back to writing into the target itself: that is what
    // would leave a half-written file in place of the user's one.
    file_.setDirectWriteFallback(false);
    if (!file_.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot create file"));
}

void SafeFileWriter::fail(const QString& what) const
{
    throw SaveError(describe(what, path_, file_.errorString()));
}

void SafeFileWriter::write(const void* data, qint64 size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const qint64 done = file_.write(p, size);
        if (done <= 0 || file_.error() != QFileDevice::NoError)
            fail(QStringLiteral("Cannot write file"));
        p += done;
        size -= done;
    }
}

void SafeFileWriter::seek(qint64 position)
{
    if (!file_.seek(position))
        fail(QStringLiteral("Cannot write file"));
}

void SafeFileWriter::commit()
{
    // commit() does not notice a failed flush of buffered bytes, so flush
    // and check first; a failure discards the temporary file.
    if (!file_.flush() || file_.error() != QFileDevice::NoError) {
        const QString reason = file_.errorString();
        file_.cancelWriting();
        throw SaveError(describe(QStringLiteral("Cannot write file"), path_, reason));
    }
    if (!file_.commit())
        fail(QStringLiteral("Cannot save file"));
}

void copyFileSafely(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        throw SaveError(describe(QStringLiteral("Cannot read file"), source, in.errorString()));
    SafeFileWriter out(target);
    std::vector<char> buffer(size_t(1) << 20);
    for (;;) {
        const qint64 got = in.read(buffer.data(), qint64(buffer.size()));
        if (got < 0)
            throw SaveError(describe(QStringLiteral("Cannot read file"), source, in.errorString()));
        if (got == 0)
            break;
        out.write(buffer.data(), got);
    }
    out.commit();
}

}  // namespace vx
