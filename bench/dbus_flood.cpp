// A burst of `ActivateAction` calls on the session bus at the running instance, as a
// misbehaving script would send them, all at once without waiting for answers. Prints how
// many were carried out and how many refused, how long until every call was answered
// (the instance answers nothing else meanwhile), how long a single call then takes, and the
// instance's resident memory before, right after and two seconds after the burst.
//   bench_dbus_flood [CALLS] [ACTION]   (20000 and "win.center" by default)
// Run by hand with a running quenda on the same session bus; bench/dbus_flood.sh sets one up.

#include <cstdio>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace {

const QString kService = QStringLiteral("org.quenda.Quenda");
const QString kPath = QStringLiteral("/org/quenda/Quenda");
const QString kInterface = QStringLiteral("org.freedesktop.Application");

long residentKb(uint pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

QDBusMessage call(const QString& action) {
    QDBusMessage msg = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                      QStringLiteral("ActivateAction"));
    msg.setArguments({action, QVariantList{}, QVariantMap{}});
    return msg;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int calls = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const QString action =
        argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("win.center");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(kService)) {
        std::fprintf(stderr, "bench_dbus_flood: no running quenda on the session bus\n");
        return 2;
    }
    const uint pid = bus.interface()->servicePid(kService).value();
    const long before = residentKb(pid);

    int done = 0, refused = 0, failed = 0;
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < calls; ++i) {
        auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call(action), 60000), &app);
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [&](QDBusPendingCallWatcher* w) {
                             const QDBusMessage reply = w->reply();
                             if (reply.type() != QDBusMessage::ErrorMessage)
                                 ++done;
                             else if (reply.errorName() ==
                                      QLatin1String("org.quenda.Quenda.Error.TooManyRequests"))
                                 ++refused;
                             else
                                 ++failed;
                             w->deleteLater();
                             if (done + refused + failed == calls) app.quit();
                         });
    }
    const double sent = clock.elapsed();
    app.exec();
    const double answered = clock.elapsed();
    const long rightAfter = residentKb(pid);

    // Once the burst is over: the bucket refills, and one call is answered as usual.
    QTimer::singleShot(2000, &app, &QCoreApplication::quit);
    app.exec();
    QElapsedTimer single;
    single.start();
    const QDBusMessage reply = bus.call(call(action), QDBus::Block, 60000);
    const double one = single.elapsed();
    const long later = residentKb(pid);

    std::printf("calls %d of %s: %d carried out, %d refused, %d failed\n", calls,
                qPrintable(action), done, refused, failed);
    std::printf("sent in %.0f ms; every call answered after %.0f ms\n", sent, answered);
    std::printf(
        "one call afterwards: %.1f ms (%s)\n", one,
        reply.type() == QDBusMessage::ErrorMessage ? qPrintable(reply.errorName()) : "done");
    std::printf("quenda's resident memory: %ld kB before, %ld kB right after, %ld kB 2 s later\n",
                before, rightAfter, later);
    return failed ? 1 : 0;
}
