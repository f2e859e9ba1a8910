#include "codecs/FileBytes.h"

#include "codecs/Bitmap.h"
#include "platform/FileName.h"

#include <QFile>
#include <algorithm>

namespace vx {

QByteArray readFileBytes(const QString& path, int64_t limit)
{
    QFile file;
    if (!openForReading(file, path))
        throw CodecError("Cannot open " + path.toStdString() + ": " + file.errorString().toStdString());
    const qint64 size = file.size();
    if (size < 0 || size > std::min(limit, kMaxFileBytes))
        throw CodecError("File is too large: " + path.toStdString());
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    qint64 done = 0;
    while (done < size) {
        const qint64 got = file.read(bytes.data() + done, size - done);
        if (got <= 0)
            break;
        done += got;
    }
    if (done != size)
        throw CodecError("Cannot read " + path.toStdString());
    return bytes;
}

}  // namespace vx
