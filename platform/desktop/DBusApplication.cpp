#include "platform/desktop/DBusApplication.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantList>
#include <QVariantMap>

namespace quenda {

namespace {
const QString kInterface = QStringLiteral("org.freedesktop.Application");

class ApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
  public:
    explicit ApplicationAdaptor(DBusApplication* owner)
        : QDBusAbstractAdaptor(owner), owner_(owner) {}

  public slots:
    void Activate(const QVariantMap& platformData, const QDBusMessage& message) {
        if (refused(message)) return;
        if (owner_->onActivate) owner_->onActivate();
    }
    void Open(const QStringList& uris, const QVariantMap& platformData,
              const QDBusMessage& message) {
        if (refused(message)) return;
        if (owner_->onActivate) owner_->onActivate();
    }
    void ActivateAction(const QString& name, const QVariantList& parameter,
                        const QVariantMap& platformData, const QDBusMessage& message) {
        if (refused(message)) return;
        if (owner_->onAction) owner_->onAction(name);
    }

  private:
    // A call beyond the rate the instance takes is answered at once with an error, and
    // does nothing.
    bool refused(const QDBusMessage& message) {
        if (!owner_->admit || owner_->admit()) return false;
        message.setDelayedReply(true);
        QDBusConnection::sessionBus().send(
            message.createErrorReply(DBusApplication::busyError(),
                                     QStringLiteral("too many requests; try again in a moment")));
        return true;
    }

    DBusApplication* owner_;
};

DBusApplication::Reply call(const QString& method, const QVariantList& args, QString* error) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        *error = QStringLiteral("no session bus: %1").arg(bus.lastError().message());
        return DBusApplication::Reply::NoBus;
    }
    const QString service = DBusApplication::applicationId();
    if (!bus.interface()->isServiceRegistered(service)) {
        *error = QStringLiteral("Quenda is not running");
        return DBusApplication::Reply::NotRunning;
    }
    QDBusMessage msg =
        QDBusMessage::createMethodCall(service, DBusApplication::objectPath(), kInterface, method);
    msg.setArguments(args);
    const QDBusMessage reply = bus.call(msg, QDBus::Block, 5000);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        *error = reply.errorMessage();
        return DBusApplication::Reply::Failed;
    }
    return DBusApplication::Reply::Done;
}
}  // namespace

QString DBusApplication::applicationId() {
    return QStringLiteral("org.quenda.Quenda");
}
QString DBusApplication::objectPath() {
    return QStringLiteral("/org/quenda/Quenda");
}
QString DBusApplication::busyError() {
    return QStringLiteral("org.quenda.Quenda.Error.TooManyRequests");
}

DBusApplication::Claim DBusApplication::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return Claim::NoBus;
    new ApplicationAdaptor(this);
    if (!bus.registerObject(objectPath(), this)) return Claim::NoBus;
    if (!bus.registerService(applicationId())) {
        bus.unregisterObject(objectPath());
        return Claim::AlreadyRunning;
    }
    return Claim::Owned;
}

DBusApplication::Reply DBusApplication::activateRunning(QString* error) {
    return call(QStringLiteral("Activate"), {QVariantMap{}}, error);
}

DBusApplication::Reply DBusApplication::activateAction(const QString& action, QString* error) {
    return call(QStringLiteral("ActivateAction"), {action, QVariantList{}, QVariantMap{}}, error);
}

}  // namespace quenda

#include "DBusApplication.moc"
