#pragma once

#include <functional>

#include <QObject>
#include <QString>

namespace quenda {

// The running instance on the session bus, through the freedesktop application interface
// (org.freedesktop.Application): a second start activates the first, and `quenda action ID`
// reaches it with ActivateAction.
class DBusApplication final : public QObject {
    Q_OBJECT
  public:
    static QString applicationId();  // "org.quenda.Quenda"
    static QString objectPath();     // "/org/quenda/Quenda"
    // The error a call gets when `admit` turns it away.
    static QString busyError();  // "org.quenda.Quenda.Error.TooManyRequests"

    enum class Claim { Owned, AlreadyRunning, NoBus };
    // Publishes the interface and takes the application's bus name.
    Claim claim();

    std::function<void()> onActivate;
    std::function<void(const QString& action)> onAction;
    // Asked before each call is carried out; false answers it with `busyError` instead.
    std::function<bool()> admit;

    // The client side, for a second process.
    enum class Reply { Done, NotRunning, NoBus, Failed };
    static Reply activateRunning(QString* error);
    static Reply activateAction(const QString& action, QString* error);
};

}  // namespace quenda
