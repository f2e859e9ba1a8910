#include "desktop/ui/FileProperties.h"

#include "viewer/FolderList.h"

#include <QDesktopServices>
#include <QUrl>

#ifdef VX_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace vx {

namespace {

void showFolder(const QString& path)
{
    QDesktopServices::openUrl(QUrl::fromLocalFile(folderOf(path)));
}

}  // namespace

void showFileProperties(const QString& path, QObject* context)
{
#ifdef VX_HAVE_DBUS
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
#else
    (void)context;
#endif
    showFolder(path);
}

}  // namespace vx
