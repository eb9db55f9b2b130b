#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "platform/desktop/XdgOpener.h"

namespace quenda {
namespace {

// A stand-in for xdg-open that appends each argument it gets to a log, one a line.
class OpenerStandIn {
  public:
    OpenerStandIn() {
        QFile script(program());
        script.open(QIODevice::WriteOnly);
        script.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >> \"" + QFile::encodeName(log()) + "\"\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                              QFileDevice::ExeOwner);
    }
    QString program() const { return dir.filePath("opener"); }
    QString log() const { return dir.filePath("opened.log"); }
    // The log once it holds `lines` lines, or what it holds when 10 s have passed.
    QStringList opened(int lines) const {
        const QDeadlineTimer deadline(10000);
        QStringList read;
        do {
            QFile file(log());
            if (file.open(QIODevice::ReadOnly))
                read = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
            if (read.size() >= lines) break;
            QThread::msleep(10);
        } while (!deadline.hasExpired());
        return read;
    }

    QTemporaryDir dir;
};

TEST(XdgOpener, OpensTheFileAndRevealsItsFolder) {
    OpenerStandIn standIn;
    QTemporaryDir files;
    const QString path = files.filePath("plantillas con espacio.json");
    QFile(path).open(QIODevice::WriteOnly);
    XdgOpener opener(standIn.program());
    EXPECT_TRUE(opener.open(path));
    EXPECT_TRUE(opener.reveal(path));
    EXPECT_EQ(standIn.opened(2), (QStringList{path, QDir(files.path()).absolutePath()}));
}

TEST(XdgOpener, FailsForWhatItCannotOpen) {
    OpenerStandIn standIn;
    QTemporaryDir files;
    EXPECT_FALSE(XdgOpener(standIn.program()).open(files.filePath("missing.json")));
    EXPECT_FALSE(XdgOpener(standIn.program()).reveal(files.filePath("no/such/folder/x.json")));
    // No opener on the system: open fails, so its caller can fall back.
    const QString path = files.filePath("x.json");
    QFile(path).open(QIODevice::WriteOnly);
    EXPECT_FALSE(XdgOpener(files.filePath("no-such-opener")).open(path));
}

}  // namespace
}  // namespace quenda
