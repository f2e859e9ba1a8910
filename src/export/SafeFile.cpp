#include "export/SafeFile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
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

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of data at the descriptor's position; the system's error number, 0 on success.
int writeFully(int fd, const char* data, qint64 size)
{
    while (size > 0) {
        const ssize_t done = ::write(fd, data, size_t(size));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (done == 0)
            return EIO;
        data += done;
        size -= done;
    }
    return 0;
}

}  // namespace

// A file descriptor as a device: writes are gathered in a buffer and every
// failure keeps the system's own reason (a short write on a full disk says
// "No space left on device", not "Unknown error").
class SafeFileWriter::FdDevice : public QIODevice {
public:
    explicit FdDevice(int fd) : fd_(fd) { QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    ~FdDevice() override { closeFd(); }

    bool isSequential() const override { return false; }
    bool seek(qint64 position) override
    {
        if (!flushBuffer())
            return false;
        if (::lseek(fd_, position, SEEK_SET) < 0)
            return failWith(errno);
        return QIODevice::seek(position);
    }
    bool flushBuffer()
    {
        if (error_)
            return false;
        const int error = writeFully(fd_, buffer_.constData(), buffer_.size());
        buffer_.resize(0);  // keeps its room for the next pieces
        return error ? failWith(error) : true;
    }
    // Flushes and syncs; the system's error number, 0 on success.
    int finish()
    {
        if (!flushBuffer())
            return error_;
        if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS)
            return errno;
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
    }
    void closeFd()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }
    int error() const { return error_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        if (error_)
            return -1;
        // Small pieces are gathered; a large one goes to the file as it is
        // (a whole encoded picture is not copied into the buffer first).
        if (buffer_.size() + size >= kBufferSize) {
            if (!flushBuffer())
                return -1;
            if (size >= kBufferSize) {
                if (const int error = writeFully(fd_, data, size)) {
                    failWith(error);
                    return -1;
                }
                return size;
            }
        }
        buffer_.append(data, size);
        return size;
    }

private:
    static constexpr qsizetype kBufferSize = 256 * 1024;

    bool failWith(int error)
    {
        error_ = error;
        setErrorString(systemText(error));
        return false;
    }

    int fd_;
    int error_ = 0;
    QByteArray buffer_;
};

SafeFileWriter::SafeFileWriter(const QString& path) : path_(path)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    QByteArray name = QFile::encodeName(folder + QStringLiteral("/.") + target.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) {
        tempPath_ = name;
        // The new file gets the old one's permissions, or the usual ones for a new file.
        struct stat st;
        if (::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
            ::fchmod(fd, st.st_mode & 07777);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(fd, 0666 & ~mask);
        }
        file_ = std::make_unique<FdDevice>(fd);
        return;
    }
    const int error = errno;
    // A file the user may write in a folder that refuses new files: the
    // picture is encoded completely in memory and written over the file in
    // place at commit(), so a failing encoder never touches the old file.
    if (target.isFile() && !target.isSymLink()) {
        const int probe = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
        if (probe >= 0) {
            ::close(probe);
            memory_ = std::make_unique<QBuffer>();
            memory_->open(QIODevice::WriteOnly);
            return;
        }
    }
    throw SaveError(describe(QStringLiteral("Cannot create file"), path_, systemText(error)));
}

SafeFileWriter::~SafeFileWriter()
{
    if (file_) {
        file_->closeFd();
        ::unlink(tempPath_.constData());
    }
}

QIODevice& SafeFileWriter::device()
{
    if (memory_)
        return *memory_;
    return *file_;
}

void SafeFileWriter::fail(const QString& what) const
{
    QString reason = memory_ ? memory_->errorString() : file_->errorString();
    if (reason == QLatin1String("Unknown error"))
        reason.clear();
    throw SaveError(describe(what, path_, reason));
}

void SafeFileWriter::write(const void* data, qint64 size)
{
    if (device().write(static_cast<const char*>(data), size) != size)
        fail(QStringLiteral("Cannot write file"));
}

void SafeFileWriter::seek(qint64 position)
{
    if (!device().seek(position))
        fail(QStringLiteral("Cannot write file"));
}

void SafeFileWriter::commit()
{
    if (memory_) {
        commitInPlace();
        return;
    }
    if (const int error = file_->error() ? file_->error() : file_->finish())
        throw SaveError(describe(QStringLiteral("Cannot write file"), path_, systemText(error)));
    if (::rename(tempPath_.constData(), QFile::encodeName(path_).constData()) != 0)
        throw SaveError(describe(QStringLiteral("Cannot save file"), path_, systemText(errno)));
    file_.reset();
    tempPath_.clear();
}

void SafeFileWriter::commitInPlace()
{
    const QByteArray& bytes = memory_->data();
    const int fd = ::open(QFile::encodeName(path_).constData(), O_WRONLY | O_CLOEXEC);
    auto failed = [&](int error) {
        if (fd >= 0)
            ::close(fd);
        throw SaveError(describe(QStringLiteral("Cannot write file"), path_, systemText(error)));
    };
    if (fd < 0)
        failed(errno);
    // Room for the whole picture first: a full disk refuses here, before
    // a byte of the old file is overwritten.
    const int reserved = ::posix_fallocate(fd, 0, off_t(bytes.size()));
    if (reserved != 0 && reserved != EOPNOTSUPP && reserved != EINVAL)
        failed(reserved);
    if (const int error = writeFully(fd, bytes.constData(), bytes.size()))
        failed(error);
    if (::ftruncate(fd, off_t(bytes.size())) != 0 || (::fsync(fd) != 0 && errno != EINVAL))
        failed(errno);
    if (::close(fd) != 0 && errno != EINTR)
        throw SaveError(describe(QStringLiteral("Cannot write file"), path_, systemText(errno)));
    memory_.reset();
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
