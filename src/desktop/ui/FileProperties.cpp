#include "desktop/ui/FileProperties.h"

#include "viewer/FolderList.h"

#include <QDesktopServices>
#include <QUrl>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace vx {

namespace {

void showFolder(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folderOf(path)));
}

}  // namespace

void showFileProperties(const QString& path, QObject* context)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
            QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
        call << QStringList{QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded())} << QString();
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000), context);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [path](QDBusPendingCallWatcher* w) {
            if (w->isError())
                showFolder(path);
            w->deleteLater();
        });
        return;
    }
    showFolder(path);
}

}  // namespace vx
