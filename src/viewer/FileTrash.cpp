#include "viewer/FileTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <unistd.h>

namespace vx {
namespace {

// A folder that is there or can be made: its nearest existing ancestor is a
// writable folder.
bool folderUsable(const QString& folder)
{
    QFileInfo info(folder);
    while (!info.exists()) {
        const QString up = info.absolutePath();
        if (up == info.absoluteFilePath())
            return false;
        info = QFileInfo(up);
    }
    return info.isDir() && ::access(QFile::encodeName(info.absoluteFilePath()).constData(), W_OK | X_OK) == 0;
}

bool sameFileSystem(const QStorageInfo& a, const QStorageInfo& b)
{
    return a.isValid() && b.isValid() && a.device() == b.device() && a.rootPath() == b.rootPath();
}

}  // namespace

bool hasTrash(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists())
        return false;
    const QStorageInfo source(file.absolutePath());
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (sameFileSystem(source, QStorageInfo(QDir::home())))
        return !dataHome.isEmpty() && folderUsable(dataHome + QStringLiteral("/Trash/files"));
    // Another file system: its own trash at the top.
    const QString top = source.rootPath();
    const QString uid = QString::number(::getuid());
    const QFileInfo shared(top + QStringLiteral("/.Trash"));
    if (shared.isDir() && !shared.isSymLink() && folderUsable(shared.absoluteFilePath() + u'/' + uid))
        return true;
    return folderUsable(top + QStringLiteral("/.Trash-") + uid + QStringLiteral("/files"));
}

bool moveFileToTrash(const QString& path)
{
    return QFile::moveToTrash(path);
}

}  // namespace vx
