#include "viewer/FolderList.h"

#include "platform/FileName.h"
#include "viewer/FileOrder.h"
#include "viewer/SupportedTypes.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

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

std::vector<uint64_t> packedExtensions()
{
    std::vector<uint64_t> keys;
    for (const SupportedType& t : supportedTypes())
        keys.push_back(packKey(t.extension, std::strlen(t.extension)));
    return keys;
}

bool viewableName(const std::vector<uint64_t>& extensions, const char* name, size_t length)
{
    const char* dot = static_cast<const char*>(memrchr(name, '.', length));
    if (!dot)
        return false;
    const size_t extLength = length - size_t(dot - name) - 1;
    if (extLength == 0 || extLength > 8)
        return false;
    const uint64_t key = packKey(dot + 1, extLength);
    for (uint64_t k : extensions)
        if (k == key)
            return true;
    return false;
}

// folder + name, the name's bytes kept as decodeFileName keeps them;
// plain ASCII names are widened directly into the result.
QString joinName(const QString& folder, const char* name, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80)
            return folder + decodeFileName(name, qsizetype(length));
    QString path(folder.size() + qsizetype(length), Qt::Uninitialized);
    QChar* out = path.data();
    std::copy(folder.constBegin(), folder.constEnd(), out);
    out += folder.size();
    for (size_t i = 0; i < length; ++i)
        out[i] = QLatin1Char(name[i]);
    return path;
}

// Bytes from..from+7 of a key as a big-endian number, zeros past its end:
// numbers compare as the bytes do (the full keys decide ties).
uint64_t bigEndianHead(const char* key, size_t length, size_t from)
{
    uint64_t head = 0;
    for (size_t i = from; i < from + 8; ++i)
        head = (head << 8) | (i < length ? uint8_t(key[i]) : 0u);
    return head;
}

bool isDirectoryEntry(int dirFd, const dirent* entry)
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

}  // namespace

QStringList listViewableFiles(const QString& folder)
{
    QStringList files;
    const QByteArray encoded = encodeFileName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = opendir(encoded.constData());
    if (!dir)
        return files;
    const int fd = dirfd(dir);
    const std::vector<uint64_t> extensions = packedExtensions();
    // The kept names' bytes and sort keys, one after the other in two
    // buffers; the first 16 key bytes also as two numbers, which decide
    // almost every comparison of the sort without touching the buffers.
    struct Kept {
        uint64_t head0, head1;
        uint32_t name, nameLength, key, keyLength;
    };
    std::vector<Kept> kept;
    std::string names, keys;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == 0 || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        const size_t length = std::strlen(name);
        if (!viewableName(extensions, name, length) || isDirectoryEntry(fd, entry))
            continue;
        const size_t keyStart = keys.size();
        appendFileNameSortKey(keys, name, length);
        const size_t keyLength = keys.size() - keyStart;
        kept.push_back({bigEndianHead(keys.data() + keyStart, keyLength, 0),
                        bigEndianHead(keys.data() + keyStart, keyLength, 8), uint32_t(names.size()),
                        uint32_t(length), uint32_t(keyStart), uint32_t(keyLength)});
        names.append(name, length);
    }
    closedir(dir);

    const auto view = [](const std::string& buffer, uint32_t start, uint32_t length) {
        return std::string_view(buffer.data() + start, length);
    };
    std::sort(kept.begin(), kept.end(), [&](const Kept& a, const Kept& b) {
        if (a.head0 != b.head0)
            return a.head0 < b.head0;
        if (a.head1 != b.head1)
            return a.head1 < b.head1;
        const int c = view(keys, a.key, a.keyLength).compare(view(keys, b.key, b.keyLength));
        return c != 0 ? c < 0 : view(names, a.name, a.nameLength) < view(names, b.name, b.nameLength);
    });
    files.reserve(qsizetype(kept.size()));
    for (const Kept& k : kept)
        files.append(joinName(folder, names.data() + k.name, k.nameLength));
    return files;
}

void FolderNavigation::RebuildFolderList()
{
    FolderFileList = listViewableFiles(folderOf(CurrentPath));
    CurrentIndex = FindCurrentIndex();
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

}  // namespace vx
