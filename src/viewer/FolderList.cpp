#include "viewer/FolderList.h"

#include "platform/FileName.h"
#include "viewer/FileOrder.h"
#include "viewer/SupportedTypes.h"

#include <QFileInfo>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vx {

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString fileNameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

namespace {

// The supported extensions packed into integers (up to eight ASCII bytes),
// so the scan tests a name with a few integer compares and builds strings
// only for the files it keeps.
uint64_t packKey(const char* text, size_t length)
{
    uint64_t key = 0;
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        key |= uint64_t(uint8_t(c)) << (8 * i);
    }
    return key;
}

// The packed extensions in a small open-addressed table: a name's
// extension is found with one or two probes.
class ExtensionSet {
public:
    ExtensionSet()
    {
        for (const SupportedType& t : supportedTypes()) {
            const uint64_t key = packKey(t.extension, std::strlen(t.extension));
            size_t slot = slotOf(key);
            while (keys_[slot] != 0 && keys_[slot] != key)
                slot = (slot + 1) % kSlots;
            keys_[slot] = key;
        }
    }
    bool contains(uint64_t key) const
    {
        for (size_t slot = slotOf(key);; slot = (slot + 1) % kSlots) {
            if (keys_[slot] == key)
                return true;
            if (keys_[slot] == 0)
                return false;
        }
    }

private:
    static constexpr size_t kSlots = 256;  // several times the number of types
    static size_t slotOf(uint64_t key) { return size_t((key * 0x9E3779B97F4A7C15ull) >> 56); }
    std::array<uint64_t, kSlots> keys_{};
};

bool viewableName(const ExtensionSet& extensions, const char* name, size_t length)
{
    const char* dot = static_cast<const char*>(memrchr(name, '.', length));
    if (!dot)
        return false;
    const size_t extLength = length - size_t(dot - name) - 1;
    if (extLength == 0 || extLength > 8)
        return false;
    return extensions.contains(packKey(dot + 1, extLength));
}

// folder + name, the name's bytes kept as decodeFileName keeps them;
// plain ASCII names are widened directly into the result.
QString joinName(const QString& folder, const char* name, size_t length, bool ascii)
{
    if (!ascii)
        return folder + decodeFileName(name, qsizetype(length));
    QString path(folder.size() + qsizetype(length), Qt::Uninitialized);
    QChar* out = path.data();
    std::copy(folder.constBegin(), folder.constEnd(), out);
    out += folder.size();
    for (size_t i = 0; i < length; ++i)
        out[i] = QLatin1Char(name[i]);
    return path;
}

// Whether path is folder + name, name ASCII.
bool isJoinedName(const QString& path, const QString& folder, const char* name, size_t length)
{
    if (path.size() != folder.size() + qsizetype(length))
        return false;
    const QChar* p = path.constData();
    if (std::memcmp(p, folder.constData(), size_t(folder.size()) * sizeof(QChar)) != 0)
        return false;
    p += folder.size();
    for (size_t i = 0; i < length; ++i)
        if (p[i].unicode() != static_cast<unsigned char>(name[i]))
            return false;
    return true;
}

bool isAscii(const char* name, size_t length)
{
    unsigned char any = 0;
    for (size_t i = 0; i < length; ++i)
        any |= static_cast<unsigned char>(name[i]);
    return any < 0x80;
}

// A kept file: the head of its sort key and where its name lies in the
// names buffer.
struct Entry {
    uint64_t high, low;
    uint32_t name;
    uint16_t length;
    bool ascii;
};

// The scan's buffers stay with the thread between scans: listing the same
// large folder again (every open, rename or delete does) then finds its
// memory in place instead of faulting fresh pages in. About 70 bytes per
// file of the largest folder listed.
struct ScanBuffers {
    std::vector<char> directory = std::vector<char>(64 * 1024);
    std::vector<Entry> entries, spare;
    std::string names;
};

// Orders entries by their key heads: a radix sort with one pass per head
// byte that differs between them. Equal heads end up next to each other.
void sortByHead(std::vector<Entry>& entries, std::vector<Entry>& spare)
{
    const size_t n = entries.size();
    if (n < 2)
        return;
    uint64_t highDiff = 0, lowDiff = 0;
    for (const Entry& e : entries) {
        highDiff |= e.high ^ entries[0].high;
        lowDiff |= e.low ^ entries[0].low;
    }
    // Digits from the least significant byte of low to the most significant of high.
    int digits[16];
    int digitCount = 0;
    for (int d = 0; d < 16; ++d)
        if ((((d < 8 ? lowDiff : highDiff) >> (8 * (d % 8))) & 0xFF) != 0)
            digits[digitCount++] = d;
    if (digitCount == 0)
        return;
    const auto byteOf = [](const Entry& e, int d) { return size_t(((d < 8 ? e.low : e.high) >> (8 * (d % 8))) & 0xFF); };
    std::vector<uint32_t> counts(size_t(digitCount) * 256, 0);
    for (const Entry& e : entries)
        for (int k = 0; k < digitCount; ++k)
            ++counts[size_t(k) * 256 + byteOf(e, digits[k])];
    spare.resize(n);
    for (int k = 0; k < digitCount; ++k) {
        uint32_t* count = counts.data() + size_t(k) * 256;
        uint32_t sum = 0;
        for (int b = 0; b < 256; ++b) {
            const uint32_t c = count[b];
            count[b] = sum;
            sum += c;
        }
        const int d = digits[k];
        for (const Entry& e : entries)
            spare[count[byteOf(e, d)]++] = e;
        entries.swap(spare);
    }
}

// Entries with equal heads in the order of their whole keys, then of their names.
void sortTies(std::vector<Entry>& entries, const std::string& names)
{
    const auto nameOf = [&](const Entry& e) { return std::string_view(names.data() + e.name, e.length); };
    for (size_t i = 0; i < entries.size();) {
        size_t end = i + 1;
        while (end < entries.size() && entries[end].high == entries[i].high && entries[end].low == entries[i].low)
            ++end;
        if (end - i > 1) {
            std::vector<std::pair<std::string, Entry>> tied;
            for (size_t k = i; k < end; ++k) {
                std::string key;
                appendFileNameSortKey(key, names.data() + entries[k].name, entries[k].length);
                tied.emplace_back(std::move(key), entries[k]);
            }
            std::sort(tied.begin(), tied.end(), [&](const auto& a, const auto& b) {
                const int c = a.first.compare(b.first);
                return c != 0 ? c < 0 : nameOf(a.second) < nameOf(b.second);
            });
            for (size_t k = i; k < end; ++k)
                entries[k] = tied[k - i].second;
        }
        i = end;
    }
}

bool isDirectoryEntry(int dirFd, const dirent64* entry)
{
    if (entry->d_type == DT_DIR)
        return true;
    if (entry->d_type != DT_UNKNOWN && entry->d_type != DT_LNK)
        return false;
    // Only where the listing doesn't tell the kind (or for links) ask the file system.
    struct stat st;
    if (fstatat(dirFd, entry->d_name, &st, 0) != 0)
        return false;
    return S_ISDIR(st.st_mode);
}

// Replaces files with the viewable files of folder in name order and sets
// wantedIndex to the 1-based position of the one whose name has the bytes
// wanted (0 when none has).
void listFolder(QStringList& files, const QString& folder, const QByteArray& wanted, int* wantedIndex)
{
    *wantedIndex = 0;
    const QByteArray encoded = encodeFileName(folder.isEmpty() ? QStringLiteral(".") : folder);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        files.clear();
        return;
    }
    thread_local ScanBuffers buffers;
    std::vector<Entry>& entries = buffers.entries;
    std::string& names = buffers.names;
    entries.clear();
    names.clear();
    const ExtensionSet extensions;  // made per listing: types may be added at run time
    uint32_t wantedName = UINT32_MAX;
    for (;;) {
        const ssize_t got = getdents64(fd, buffers.directory.data(), buffers.directory.size());
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffers.directory.data() + at);
            at += entry->d_reclen;
            const char* name = entry->d_name;
            const size_t length = std::strlen(name);
            if (length == 0 || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            if (!viewableName(extensions, name, length) || isDirectoryEntry(fd, entry))
                continue;
            if (size_t(wanted.size()) == length && std::memcmp(wanted.constData(), name, length) == 0)
                wantedName = uint32_t(names.size());
            const FileNameKeyHead head = fileNameKeyHead(name, length);
            entries.push_back({head.high, head.low, uint32_t(names.size()), uint16_t(length), isAscii(name, length)});
            names.append(name, length);
        }
    }
    ::close(fd);

    sortByHead(entries, buffers.spare);
    sortTies(entries, names);

    // Listing the same folder again is the common case (every open, rename
    // and delete does): a path the old list holds at the matching place is
    // taken over instead of made anew, and one dropped or added file only
    // shifts that place.
    QStringList old;
    if (files.isDetached())
        old.swap(files);
    files = QStringList();
    files.reserve(qsizetype(entries.size()));
    QString* previous = old.data();
    const qsizetype previousCount = old.size();
    qsizetype at = 0;
    // The names are read in their new order: each is fetched a few ahead.
    constexpr size_t kAhead = 8;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (i + kAhead < entries.size())
            __builtin_prefetch(names.data() + entries[i + kAhead].name);
        if (at + qsizetype(kAhead) < previousCount)
            __builtin_prefetch(previous[at + qsizetype(kAhead)].constData());
        const Entry& e = entries[i];
        const char* name = names.data() + e.name;
        if (e.name == wantedName)
            *wantedIndex = int(files.size()) + 1;
        if (e.ascii) {
            if (at < previousCount && isJoinedName(previous[at], folder, name, e.length)) {
                files.append(std::move(previous[at++]));
                continue;
            }
            if (at + 1 < previousCount && isJoinedName(previous[at + 1], folder, name, e.length)) {
                files.append(std::move(previous[at + 1]));
                at += 2;
                continue;
            }
        }
        files.append(joinName(folder, name, e.length, e.ascii));
    }
}

}  // namespace

QStringList listViewableFiles(const QString& folder)
{
    QStringList files;
    int unused;
    listFolder(files, folder, QByteArray(), &unused);
    return files;
}

void FolderNavigation::RebuildFolderList()
{
    int at = 0;
    listFolder(FolderFileList, folderOf(CurrentPath), encodeFileName(fileNameOf(CurrentPath)), &at);
    // The listing finds the current name by its bytes; a path that doesn't
    // come back from them the same way is looked up as such.
    CurrentIndex = at > 0 && FolderFileList[at - 1] == CurrentPath ? at : FindCurrentIndex();
}

int FolderNavigation::FindCurrentIndex() const
{
    for (int i = 0; i < FolderFileList.size(); ++i)
        if (FolderFileList[i] == CurrentPath)
            return i + 1;
    return 0;
}

bool FolderNavigation::NextFile()
{
    if (FolderFileList.isEmpty() || CurrentPath.isEmpty() || CurrentIndex >= count())
        return false;
    ++CurrentIndex;
    CurrentPath = FolderFileList[CurrentIndex - 1];
    return true;
}

bool FolderNavigation::PreviousFile()
{
    if (FolderFileList.isEmpty() || CurrentPath.isEmpty() || CurrentIndex <= 1)
        return false;
    --CurrentIndex;
    CurrentPath = FolderFileList[CurrentIndex - 1];
    return true;
}

bool FolderNavigation::FirstFile()
{
    if (FolderFileList.isEmpty())
        return false;
    CurrentIndex = 1;
    CurrentPath = FolderFileList.first();
    return true;
}

bool FolderNavigation::LastFile()
{
    if (FolderFileList.isEmpty())
        return false;
    CurrentIndex = count();
    CurrentPath = FolderFileList.last();
    return true;
}

QString positionText(const QString& path, int index, int count, bool numberVisible)
{
    const QString name = displayFileName(fileNameOf(path));
    if (!numberVisible)
        return name;
    return name + QStringLiteral(" [") + QString::number(index) + QLatin1Char('/')
           + QString::number(count) + QLatin1Char(']');
}

bool FolderNavigation::removeCurrent()
{
    int index = CurrentIndex;
    if (index >= 1 && index <= count()) {
        FolderFileList.removeAt(index - 1);
    } else {
        QStringList kept;
        for (const QString& entry : std::as_const(FolderFileList))
            if (QFileInfo::exists(entry))
                kept << entry;
        FolderFileList = kept;
        index = 1;
    }
    if (FolderFileList.isEmpty()) {
        CurrentIndex = 0;
        return false;
    }
    CurrentIndex = std::min(index, count());
    CurrentPath = FolderFileList[CurrentIndex - 1];
    return true;
}

}  // namespace vx
