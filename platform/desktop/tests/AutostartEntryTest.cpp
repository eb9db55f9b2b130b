#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/desktop/AutostartEntry.h"
#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/DesktopExec.h"

namespace quenda {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Autostart : ::testing::Test {
    QTemporaryDir dir;
    QString config = dir.filePath("config");
    QString file = config + "/autostart/org.quenda.Quenda.desktop";
};

TEST_F(Autostart, EnablingWritesTheEntryAndDisablingRemovesIt) {
    AutostartEntry entry(config, "/opt/quenda/bin/quenda");
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_EQ(entry.path(), file);

    QString error;
    ASSERT_TRUE(entry.setEnabled(true, &error)) << error.toStdString();
    EXPECT_TRUE(entry.isEnabled());
    const auto parsed = parseDesktopEntry(readAll(file), "C");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(expandExec(*parsed, file), QStringList{"/opt/quenda/bin/quenda"});
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(config + "/autostart").entryList(QDir::Files),
              QStringList{"org.quenda.Quenda.desktop"});

    // Enabling twice rewrites the same entry.
    ASSERT_TRUE(entry.setEnabled(true, &error));
    EXPECT_TRUE(entry.isEnabled());

    ASSERT_TRUE(entry.setEnabled(false, &error));
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_FALSE(entry.isEnabled());
    // Disabling what is off is no error.
    EXPECT_TRUE(entry.setEnabled(false, &error));
}

// The program's path goes through the Exec line's quoting unchanged, whatever it holds.
TEST_F(Autostart, AnyProgramPathSurvivesTheExecLine) {
    for (const QString& program :
         {QStringLiteral("/home/ana maría/bin/quenda"), QStringLiteral("/tmp/a\"b`c$d\\e/quenda"),
          QStringLiteral("/tmp/100%/quenda")}) {
        SCOPED_TRACE(program.toStdString());
        AutostartEntry entry(config, program);
        QString error;
        ASSERT_TRUE(entry.setEnabled(true, &error)) << error.toStdString();
        const auto parsed = parseDesktopEntry(readAll(file), "C");
        ASSERT_TRUE(parsed);
        EXPECT_EQ(expandExec(*parsed, file), QStringList{program});
    }
}

// A folder that cannot hold the entry (here a file stands where it should be) is reported
// with the path, and nothing counts as enabled.
TEST_F(Autostart, AnUnwritableFolderIsReported) {
    ASSERT_TRUE(QDir().mkpath(config));
    QFile blocker(config + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    AutostartEntry entry(config, "/usr/bin/quenda");
    QString error;
    EXPECT_FALSE(entry.setEnabled(true, &error));
    EXPECT_TRUE(error.contains(file)) << error.toStdString();
    EXPECT_FALSE(entry.isEnabled());
}

// An entry the user turned off in the desktop's own settings reads as off.
TEST_F(Autostart, AHiddenOrDisabledEntryIsOff) {
    for (const char* line : {"Hidden=true", "X-GNOME-Autostart-enabled=false"}) {
        SCOPED_TRACE(line);
        AutostartEntry entry(config, "/usr/bin/quenda");
        ASSERT_TRUE(entry.setEnabled(true, nullptr));
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray("\n") + line + "\n");
        f.close();
        EXPECT_FALSE(entry.isEnabled());
    }
}

// A write stopped between its temporary copy and the rename (the process killed) leaves the
// copy beside the entry; clearing leftovers removes such copies and nothing else there.
TEST_F(Autostart, ClearingLeftoversRemovesOnlyStoppedWrites) {
    AutostartEntry entry(config, "/usr/bin/quenda");
    ASSERT_TRUE(entry.setEnabled(true, nullptr));
    const QByteArray whole = readAll(file);
    const QString folder = config + "/autostart/";
    struct Case {
        const char* name;
        bool leftover;
    };
    const Case cases[] = {
        {"org.quenda.Quenda.desktop.a1B2c3", true},
        {"org.quenda.Quenda.desktop.ZZZZZZ", true},
        {"org.quenda.Quenda.desktop.a1B2c", false},    // five characters
        {"org.quenda.Quenda.desktop.a1B2c3d", false},  // seven
        {"org.quenda.Quenda.desktop.a1-2c3", false},   // not a letter or digit
        {"orgXquenda.Quenda.desktop.a1B2c3", false},   // the dots are literal
        {"other.desktop.a1B2c3", false},               // another program's copy
        {"org.quenda.Quenda.desktop.bak", false},
    };
    for (const Case& c : cases) {
        QFile f(folder + c.name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Appl");
    }
    EXPECT_EQ(entry.removeLeftovers(), 2);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QFileInfo::exists(folder + c.name), !c.leftover);
    }
    EXPECT_EQ(readAll(file), whole);
    EXPECT_TRUE(entry.isEnabled());
}

// No folder yet (the switch was never used): nothing to clear, and no folder is made.
TEST_F(Autostart, ClearingLeftoversWithoutAFolderDoesNothing) {
    AutostartEntry entry(config, "/usr/bin/quenda");
    EXPECT_EQ(entry.removeLeftovers(), 0);
    EXPECT_FALSE(QFileInfo::exists(config + "/autostart"));
}

}  // namespace
}  // namespace quenda
