// Revealing a file in the file manager over a private session bus (the test runs under
// dbus-run-session): a stand-in FileManager1 service records what it is asked to show.
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>

#include "platform/desktop/FileManagerOpener.h"

namespace quenda {

// What the desktop's file manager answers on the bus.
class FileManagerStandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
  public:
    QStringList shown;
    bool refuse = false;
  public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        Q_UNUSED(startupId);
        if (refuse) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("no window"));
            return;
        }
        shown << uris;
    }
};

struct RecordingOpener : DesktopOpener {
    QStringList revealed;
    bool open(const QString&) override { return true; }
    bool reveal(const QString& path) override {
        revealed << path;
        return true;
    }
};

class FileManagerOpenerTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no bus"); }

    void withoutAFileManagerTheFolderIsOpened() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("informe ñ.txt"));
        QFile(path).open(QIODevice::WriteOnly);
        RecordingOpener folder;
        FileManagerOpener opener(folder);
        QVERIFY(opener.reveal(path));
        QCOMPARE(folder.revealed, QStringList{path});
    }

    void aFileManagerOnTheBusShowsTheFileSelected() {
        QDBusConnection bus = QDBusConnection::sessionBus();
        FileManagerStandIn manager;
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(FileManagerOpener::kService));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mi informe ñ\nfinal.txt"));
        QFile(path).open(QIODevice::WriteOnly);
        RecordingOpener folder;
        FileManagerOpener opener(folder);
        QVERIFY(opener.reveal(path));
        QTRY_COMPARE_WITH_TIMEOUT(
            manager.shown, QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)},
            10000);
        QVERIFY(manager.shown[0].contains(QStringLiteral("mi%20informe%20%C3%B1%0Afinal.txt")));
        QVERIFY(folder.revealed.isEmpty());

        // A file that is gone: its folder, if anything.
        const QString gone = dir.filePath(QStringLiteral("gone.txt"));
        QVERIFY(opener.reveal(gone));
        QCOMPARE(folder.revealed, QStringList{gone});

        // A file manager that fails: the folder is opened instead.
        manager.refuse = true;
        folder.revealed.clear();
        QVERIFY(opener.reveal(path));
        QTRY_COMPARE_WITH_TIMEOUT(folder.revealed, QStringList{path}, 10000);

        bus.unregisterService(FileManagerOpener::kService);
        bus.unregisterObject(QStringLiteral("/org/freedesktop/FileManager1"));
    }
};

}  // namespace quenda

QTEST_GUILESS_MAIN(quenda::FileManagerOpenerTest)
#include "FileManagerOpenerTest.moc"
