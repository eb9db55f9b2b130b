#include "platform/desktop/FileManagerOpener.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QFileInfo>
#include <QUrl>

namespace quenda {

namespace {
// Someone answers for the interface now, or the bus can start one.
bool fileManagerOnBus(QDBusConnection& bus) {
    QDBusConnectionInterface* names = bus.interface();
    if (!names) return false;
    if (names->isServiceRegistered(FileManagerOpener::kService).value()) return true;
    const QDBusReply<QStringList> activatable = names->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(FileManagerOpener::kService);
}
}  // namespace

bool FileManagerOpener::reveal(const QString& path) {
    if (!QFileInfo::exists(path)) return fallback_.reveal(path);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !fileManagerOnBus(bus)) return fallback_.reveal(path);
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/FileManager1"),
                                       kService, QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())
                            .toString(QUrl::FullyEncoded)}
         << QString();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [this, path](QDBusPendingCallWatcher* w) {
                         if (w->isError()) fallback_.reveal(path);
                         w->deleteLater();
                     });
    return true;
}

}  // namespace quenda
