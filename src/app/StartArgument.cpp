#include "app/StartArgument.h"

#include "viewer/FolderList.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace vx {

QString resolveStartArgument(const QString& argument)
{
    QString path = argument;
    if (argument.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        const QUrl url(argument);
        if (url.isValid() && url.isLocalFile())
            path = url.toLocalFile();
    }
    if (path.isEmpty())
        return path;
    // Made absolute as text: QFileInfo would pass the name through the locale's
    // encoding and lose the bytes of a name that is not UTF-8.
    if (QDir::isRelativePath(path))
        path = QDir::currentPath() + QLatin1Char('/') + path;
    path = QDir::cleanPath(path);
    if (QFileInfo(path).isDir()) {
        const QString folder = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        const QStringList files = listViewableFiles(folder);
        if (!files.isEmpty())
            return files.first();
    }
    return path;
}

}  // namespace vx
