#include "platform/ReadAhead.h"

#include <QFile>
#include <fcntl.h>
#include <unistd.h>

namespace vx {

void adviseReadAhead(const QString& path)
{
    if (path.isEmpty())
        return;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
}

}  // namespace vx
