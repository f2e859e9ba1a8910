#include "viewer/FolderList.h"

#include "viewer/SupportedTypes.h"

#include <QFile>
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

// Extension test on the raw name bytes, so the scan builds strings only for
// the files it keeps.
bool viewableName(const char* name, size_t length)
{
    const char* dot = static_cast<const char*>(memrchr(name, '.', length));
    if (!dot)
        return false;
    const size_t extLength = length - size_t(dot - name) - 1;
    if (extLength == 0 || extLength > 8)
        return false;
    char key[9];
    for (size_t i = 0; i < extLength; ++i) {
        char c = dot[1 + i];
        key[i] = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
    }
    key[extLength] = 0;
    for (const SupportedType& t : SupportedTypeTable)
        if (std::strcmp(key, t.extension) == 0)
            return true;
    return false;
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
    const QByteArray encoded = QFile::encodeName(folder.isEmpty() ? QStringLiteral(".") : folder);
    DIR* dir = opendir(encoded.constData());
    if (!dir)
        return files;
    const int fd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] == 0 || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        if (!viewableName(name, std::strlen(name)) || isDirectoryEntry(fd, entry))
            continue;
        files.append(folder + QFile::decodeName(name));
    }
    closedir(dir);
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
    const QString name = fileNameOf(path);
    if (!numberVisible)
        return name;
    return name + QStringLiteral(" [") + QString::number(index) + QLatin1Char('/')
           + QString::number(count) + QLatin1Char(']');
}

}  // namespace vx
