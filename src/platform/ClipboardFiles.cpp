#include "platform/ClipboardFiles.h"

#include <QMimeData>
#include <QUrl>

namespace vx {

std::unique_ptr<QMimeData> fileListMimeData(const QString& path)
{
    auto data = std::make_unique<QMimeData>();
    const QUrl url = QUrl::fromLocalFile(path);
    data->setUrls({url});
    data->setData(QStringLiteral("x-special/gnome-copied-files"),
                  QByteArray("copy\n") + url.toEncoded());
    return data;
}

}  // namespace vx
