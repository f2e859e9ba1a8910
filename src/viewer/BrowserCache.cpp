#include "viewer/BrowserCache.h"

#include "viewer/ContentSignature.h"
#include "viewer/SupportedTypes.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vx {

namespace {

constexpr uint64_t kSimpleInitialMagic = 0xfcfb6d1ba7725c30ull;
constexpr uint64_t kSimpleFinalMagic = 0xf4fa6f45970d41d8ull;
constexpr qint64 kSimpleHeaderSize = 24;  // magic, version, key length, key hash, padding
constexpr qint64 kSimpleEofSize = 24;     // magic, flags, crc, stream size, padding
constexpr uint32_t kEofHasKeySha256 = 2;
constexpr int kMaxDepth = 64;
// A body copied for a decoder is refused above this size.
constexpr qint64 kMaxBodyBytes = qint64(1) << 30;

uint64_t le64(const uint8_t* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | p[i];
    return v;
}

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

class Fd {
public:
    explicit Fd(const QByteArray& path) : fd_(::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC)) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

    // The size of a regular file; -1 for anything else.
    qint64 regularSize() const
    {
        struct stat st;
        if (fd_ < 0 || fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
            return -1;
        return st.st_size;
    }
    // Reads up to size bytes at offset; the count read.
    size_t readAt(void* buffer, size_t size, qint64 offset) const
    {
        size_t done = 0;
        while (done < size) {
            const ssize_t n = pread(fd_, static_cast<char*>(buffer) + done, size - done, off_t(offset) + off_t(done));
            if (n <= 0)
                break;
            done += size_t(n);
        }
        return done;
    }

private:
    int fd_;
};

// The key of a signature, when the format table lists it as viewable.
QString viewableKey(const uint8_t* data, size_t size)
{
    const QString key = signatureKey(data, size);
    return !key.isEmpty() && findSupportedType(key) ? key : QString();
}

std::optional<CacheEntry> sniff(const QByteArray& path)
{
    const Fd fd(path);
    const qint64 size = fd.regularSize();
    if (size <= 0)
        return std::nullopt;
    uint8_t head[kSimpleHeaderSize + kSignatureBytes];
    const size_t got = fd.readAt(head, sizeof head, 0);
    if (got >= size_t(kSimpleHeaderSize) && le64(head) == kSimpleInitialMagic) {
        const qint64 bodyStart = kSimpleHeaderSize + qint64(le32(head + 12));
        if (bodyStart >= size)
            return std::nullopt;
        uint8_t body[kSignatureBytes];
        const size_t n = fd.readAt(body, sizeof body, bodyStart);
        const QString key = viewableKey(body, n);
        if (key.isEmpty())
            return std::nullopt;
        return CacheEntry{key, bodyStart, true};
    }
    const QString key = viewableKey(head, got);
    if (key.isEmpty())
        return std::nullopt;
    return CacheEntry{key, 0, false};
}

// Where the body of a simple cache entry ends: before the end record of
// its body stream, found back from the end record of the headers stream.
// The end of the file when the records don't add up.
qint64 simpleBodyEnd(const Fd& fd, qint64 size, qint64 bodyStart)
{
    uint8_t eof[kSimpleEofSize];
    if (size < bodyStart + 2 * kSimpleEofSize || fd.readAt(eof, sizeof eof, size - kSimpleEofSize) != sizeof eof
        || le64(eof) != kSimpleFinalMagic)
        return size;
    const qint64 headers = qint64(le32(eof + 16)) + (le32(eof + 8) & kEofHasKeySha256 ? 32 : 0);
    const qint64 bodyEof = size - kSimpleEofSize - headers - kSimpleEofSize;
    if (bodyEof < bodyStart || fd.readAt(eof, sizeof eof, bodyEof) != sizeof eof || le64(eof) != kSimpleFinalMagic)
        return size;
    return bodyEof;
}

// Sub-folders in name order; missing or unreadable folders give none.
QStringList subFolders(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QFile::encodeName(a) < QFile::encodeName(b);
    });
    return names;
}

bool isFolder(const QString& path)
{
    struct stat st;
    return stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

QString userCacheHome()
{
    const QString xdg = qEnvironmentVariable("XDG_CACHE_HOME");
    if (!xdg.isEmpty())
        return xdg;
    return QDir::homePath() + QStringLiteral("/.cache");
}

QStringList browserCacheRoots(const QString& cacheHome)
{
    const QString home = cacheHome.endsWith(QLatin1Char('/')) ? cacheHome : cacheHome + QLatin1Char('/');
    QStringList roots;
    const QString firefox = home + QStringLiteral("mozilla/firefox/");
    for (const QString& profile : subFolders(firefox)) {
        const QString entries = firefox + profile + QStringLiteral("/cache2/entries");
        if (isFolder(entries))
            roots << entries + QLatin1Char('/');
    }
    static const char* const kChromiumFamily[] = {
        "chromium", "google-chrome", "google-chrome-beta", "google-chrome-unstable",
        "BraveSoftware/Brave-Browser", "BraveSoftware/Brave-Browser-Beta", "vivaldi", "vivaldi-snapshot",
        "microsoft-edge", "microsoft-edge-beta", "microsoft-edge-dev"};
    for (const char* browser : kChromiumFamily) {
        const QString base = home + QLatin1String(browser) + QLatin1Char('/');
        for (const QString& profile : subFolders(base)) {
            const QString data = base + profile + QStringLiteral("/Cache/Cache_Data");
            if (isFolder(data))
                roots << data + QLatin1Char('/');
        }
    }
    return roots;
}

void BrowserCacheList::ScanFolderTree(const QString& folder)
{
    QByteArray f = QFile::encodeName(folder);
    if (!f.endsWith('/'))
        f += '/';
    scan(f, 0);
}

void BrowserCacheList::scan(const QByteArray& folder, int depth)
{
    if (depth > kMaxDepth)
        return;
    DIR* dir = opendir(folder.constData());
    if (!dir)
        return;
    struct Item {
        QByteArray name;
        unsigned char type;
    };
    std::vector<Item> items;
    while (const dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        items.push_back({QByteArray(e->d_name), e->d_type});
    }
    closedir(dir);
    std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.name < b.name; });

    for (Item& item : items) {
        const QByteArray path = folder + item.name;
        if (item.type == DT_UNKNOWN) {
            struct stat st;
            if (lstat(path.constData(), &st) != 0)
                continue;
            item.type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_LNK;
        }
        if (item.type == DT_DIR) {
            scan(path + '/', depth + 1);
        } else if (item.type == DT_REG) {
            if (auto entry = sniff(path)) {
                const QString name = QFile::decodeName(path);
                files << name;
                entries.insert(name, *entry);
            }
        }
    }
}

const CacheEntry* BrowserCacheList::find(const QString& path) const
{
    const auto it = entries.constFind(path);
    return it == entries.constEnd() ? nullptr : &*it;
}

QString BrowserCacheList::contentFile(const QString& path)
{
    if (body_ && bodyOf_ == path)
        return body_->fileName();
    body_.reset();
    bodyOf_.clear();
    const CacheEntry* entry = find(path);
    if (!entry || (!entry->simpleCache && entry->offset == 0))
        return path;
    const Fd fd(QFile::encodeName(path));
    const qint64 size = fd.regularSize();
    if (size < 0)
        throw std::runtime_error("The cache entry is gone");
    const qint64 end = entry->simpleCache ? simpleBodyEnd(fd, size, entry->offset) : size;
    if (end <= entry->offset || end - entry->offset > kMaxBodyBytes)
        throw std::runtime_error("The cache entry has no readable body");
    auto copy = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/vextrel-cache-XXXXXX"));
    if (!copy->open())
        throw std::runtime_error("Cannot copy the cache entry");
    std::vector<char> buffer(1 << 20);
    for (qint64 at = entry->offset; at < end;) {
        const size_t want = size_t(std::min<qint64>(qint64(buffer.size()), end - at));
        const size_t got = fd.readAt(buffer.data(), want, at);
        if (got == 0 || copy->write(buffer.data(), qint64(got)) != qint64(got))
            throw std::runtime_error("Cannot copy the cache entry");
        at += qint64(got);
    }
    copy->flush();
    const QString name = copy->fileName();
    body_ = std::move(copy);
    bodyOf_ = path;
    return name;
}

}  // namespace vx
