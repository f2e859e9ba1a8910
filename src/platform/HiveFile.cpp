#include "platform/HiveFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QMutex>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

QString hiveRootName(Hive hive)
{
    switch (hive) {
    case Hive::LocalMachine: return QStringLiteral("HKEY_LOCAL_MACHINE");
    case Hive::CurrentUser: return QStringLiteral("HKEY_CURRENT_USER");
    case Hive::ClassesRoot: return QStringLiteral("HKEY_CLASSES_ROOT");
    }
    return QString();
}

QString registryFolder()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty())
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/vextrel-viewer");
}

QString hiveFilePath(Hive hive)
{
    switch (hive) {
    case Hive::LocalMachine: return registryFolder() + QStringLiteral("/local_machine.reg");
    case Hive::CurrentUser: return registryFolder() + QStringLiteral("/current_user.reg");
    case Hive::ClassesRoot: return registryFolder() + QStringLiteral("/classes_root.reg");
    }
    return QString();
}

namespace {

// ---- parsed hives, kept per file until the file changes ---------------------

struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{}, changed{};

    static FileStamp of(const struct stat& st)
    {
        return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileStamp& o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec
               && modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec
               && changed.tv_nsec == o.changed.tv_nsec;
    }
};

struct CachedHive {
    FileStamp stamp;
    QByteArray bytes;
    HiveData data;
};

QMutex cacheMutex;
QHash<QString, CachedHive>& cache()
{
    static QHash<QString, CachedHive> hives;
    return hives;
}

void remember(const QString& path, const FileStamp& stamp, const QByteArray& bytes, const HiveData& data)
{
    QMutexLocker lock(&cacheMutex);
    cache().insert(path, CachedHive{stamp, bytes, data});
}

// Keeps the file as it was beside it, once per distinct content, and names
// the skipped lines on stderr.
void keepOriginal(const QString& path, const QByteArray& bytes, const std::vector<int>& skipped)
{
    const QString digest = QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().left(12));
    const QString copy = path + QStringLiteral(".bad-") + digest;
    QFile out(copy);
    if (!out.exists() && out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        out.write(bytes);
        out.close();
    }
    const QByteArray text = (path + QStringLiteral(": skipped line") + (skipped.size() > 1 ? QStringLiteral("s ") : QStringLiteral(" "))
                             + lineRanges(skipped) + QStringLiteral(" (not registry syntax); the file as it was is kept in ")
                             + copy)
                                .toLocal8Bit();
    std::fprintf(stderr, "vextrel-viewer: %s\n", text.constData());
}

// Reads the hive's file, parsing it only when it changed since the last read.
// With trustStamp an unchanged stamp is enough; otherwise the bytes are compared.
HiveData readHive(Hive hive, bool trustStamp)
{
    const QString path = hiveFilePath(hive);
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT)
            return HiveData();
        throw RegistryError("Cannot read " + path.toStdString() + ": " + std::strerror(errno));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        throw RegistryError("Cannot read " + path.toStdString());
    }
    const FileStamp stamp = FileStamp::of(st);
    if (trustStamp) {
        QMutexLocker lock(&cacheMutex);
        auto it = cache().constFind(path);
        if (it != cache().constEnd() && it->stamp == stamp) {
            ::close(fd);
            return it->data;
        }
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw RegistryError("Cannot read " + path.toStdString());
    }
    const QByteArray bytes = file.readAll();
    file.close();
    {
        QMutexLocker lock(&cacheMutex);
        auto it = cache().find(path);
        if (it != cache().end() && it->bytes == bytes) {
            it->stamp = stamp;
            return it->data;
        }
    }
    HiveData data;
    const std::vector<int> skipped = parseHive(bytes, hive, data);
    if (!skipped.empty())
        keepOriginal(path, bytes, skipped);
    remember(path, stamp, bytes, data);
    return data;
}

// ---- writing ----------------------------------------------------------------

// An exclusive advisory lock on the hive's lock file, held for its lifetime.
class HiveLock {
public:
    explicit HiveLock(Hive hive)
    {
        const QByteArray path = QFile::encodeName(hiveFilePath(hive) + QStringLiteral(".lock"));
        fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            throw RegistryError(std::string("Cannot open registry lock: ") + std::strerror(errno));
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(fd_);
                throw RegistryError(std::string("Cannot lock registry: ") + std::strerror(errno));
            }
        }
    }
    ~HiveLock()
    {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;

private:
    int fd_ = -1;
};

void ensureFolder()
{
    if (!QDir().mkpath(registryFolder()))
        throw RegistryError("Cannot create the registry folder " + registryFolder().toStdString());
}

void writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
        }
        p += n;
        left -= n;
    }
}

// Replaces the hive's file atomically (temporary file, fsync, rename). A file
// the user made read-only is left alone; a replaced file keeps its mode.
void replaceFile(Hive hive, const QByteArray& bytes, const HiveData& data)
{
    const QString path = hiveFilePath(hive);
    const QByteArray target = QFile::encodeName(path);
    struct stat old {};
    const bool existed = ::stat(target.constData(), &old) == 0;
    if (existed && (old.st_mode & S_IWUSR) == 0)
        throw RegistryError("Cannot write registry: " + path.toStdString() + " is read-only");
    const QByteArray temp = QFile::encodeName(path + QStringLiteral(".tmp-") + QString::number(::getpid()));
    const int fd = ::open(temp.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
    try {
        if (existed && ::fchmod(fd, old.st_mode & 07777) != 0)
            throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
        writeAll(fd, bytes);
        if (::fsync(fd) != 0)
            throw RegistryError(std::string("Cannot write registry: ") + std::strerror(errno));
    } catch (...) {
        ::close(fd);
        ::unlink(temp.constData());
        throw;
    }
    ::close(fd);
    if (::rename(temp.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(temp.constData());
        throw RegistryError(std::string("Cannot replace registry file: ") + std::strerror(err));
    }
    const QByteArray folder = QFile::encodeName(registryFolder());
    const int dfd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    struct stat now {};
    if (::stat(target.constData(), &now) == 0)
        remember(path, FileStamp::of(now), bytes, data);
}

// True when the hive's file, as readHive just found it, already holds these
// bytes. A read-only file is never said to: writing to it reports that.
bool fileHolds(Hive hive, const QByteArray& bytes)
{
    const QString path = hiveFilePath(hive);
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || (st.st_mode & S_IWUSR) == 0)
        return false;
    QMutexLocker lock(&cacheMutex);
    auto it = cache().constFind(path);
    return it != cache().constEnd() && it->stamp == FileStamp::of(st) && it->bytes == bytes;
}

HiveData updateNow(Hive hive, const std::function<void(HiveData&)>& change)
{
    ensureFolder();
    HiveLock lock(hive);
    HiveData data = readHive(hive, false);
    change(data);
    // Storing what is already there (the language and the window's place at
    // every start, say) costs no synced write.
    const QByteArray bytes = formatHive(data, hive);
    if (!fileHolds(hive, bytes))
        replaceFile(hive, bytes, data);
    return data;
}

// ---- batches ------------------------------------------------------------------

struct PendingHive {
    HiveData base;     // as read when the batch first touched the hive
    HiveData changed;  // base with the batch's changes
};

struct Batch {
    int depth = 0;
    std::map<Hive, PendingHive> hives;
};

thread_local Batch batch;

// Applies what the batch changed (from base to changed) to the hive as it is
// now, so values written by other programs meanwhile are kept.
void applyChanges(const PendingHive& p, HiveData& now)
{
    for (auto it = p.base.keys.constBegin(); it != p.base.keys.constEnd(); ++it)
        if (!p.changed.keys.contains(it.key()))
            now.removeTree(it.value().path);
    for (auto it = p.changed.keys.constBegin(); it != p.changed.keys.constEnd(); ++it) {
        const RegistryKeyData& key = it.value();
        const RegistryKeyData* before = p.base.find(key.path);
        RegistryKeyData* target = before ? now.find(key.path) : &now.create(key.path);
        if (!target) {
            bool changed = false;
            for (const RegistryEntry& e : key.entries)
                changed = changed || (!e.comment && !(before->find(e.name) && *before->find(e.name) == e.value));
            if (!changed)
                continue;  // removed by someone else and not written by us
            target = &now.create(key.path);
        }
        for (const RegistryEntry& e : key.entries) {
            if (e.comment)
                continue;
            const RegistryValue* old = before ? before->find(e.name) : nullptr;
            if (!old || !(*old == e.value))
                target->set(e.name, e.value);
        }
        if (before)
            for (const QString& name : before->valueNames())
                if (!key.find(name))
                    target->remove(name);
    }
}

}  // namespace

HiveData loadHive(Hive hive)
{
    if (batch.depth > 0) {
        auto it = batch.hives.find(hive);
        if (it != batch.hives.end())
            return it->second.changed;
    }
    return readHive(hive, true);
}

HiveData updateHive(Hive hive, const std::function<void(HiveData&)>& change)
{
    if (batch.depth == 0)
        return updateNow(hive, change);
    auto it = batch.hives.find(hive);
    if (it == batch.hives.end()) {
        HiveData base = readHive(hive, true);
        it = batch.hives.emplace(hive, PendingHive{base, base}).first;
    }
    change(it->second.changed);
    return it->second.changed;
}

RegistryBatch::RegistryBatch() { ++batch.depth; }

RegistryBatch::~RegistryBatch()
{
    try {
        commit();
    } catch (const RegistryError&) {
        // Reported to whoever called commit(); a batch left by an exception stays quiet.
    }
}

void RegistryBatch::commit()
{
    if (committed_)
        return;
    committed_ = true;
    if (--batch.depth > 0)
        return;
    std::map<Hive, PendingHive> hives;
    hives.swap(batch.hives);
    std::string failure;
    for (const auto& entry : hives) {
        const PendingHive& pending = entry.second;
        try {
            updateNow(entry.first, [&pending](HiveData& now) { applyChanges(pending, now); });
        } catch (const RegistryError& e) {
            if (failure.empty())
                failure = e.what();
        }
    }
    if (!failure.empty())
        throw RegistryError(failure);
}

}  // namespace vx
