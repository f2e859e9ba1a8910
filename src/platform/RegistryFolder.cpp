#include "platform/RegistryFolder.h"

#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <unistd.h>

namespace vx {

QString registryFolderProblem()
{
    const QString folder = registryFolder();
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir())
        return QStringLiteral("the settings folder %1 is not a folder").arg(folder);
    if (!info.exists() && !QDir().mkpath(folder))
        return QStringLiteral("the settings folder %1 cannot be created").arg(folder);
    if (::access(QFile::encodeName(folder).constData(), W_OK | X_OK) != 0)
        return QStringLiteral("the settings folder %1 cannot be written").arg(folder);
    return {};
}

bool reportRegistryFolderProblemOnce()
{
    static bool reported = false;
    const QString problem = registryFolderProblem();
    if (problem.isEmpty())
        return false;
    if (!reported) {
        reported = true;
        std::fprintf(stderr, "vextrel-viewer: %s; running without stored settings\n", problem.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    return true;
}

}  // namespace vx
