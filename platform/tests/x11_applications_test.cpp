// The applications on a real X server with openbox: who a process is (desktop entries of a
// private XDG_DATA_HOME and the system's /usr/share), launching, hiding by hand and by
// command, activation through the window server, and what the contract cannot express.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "core/AX.h"
#include "platform/sim/TestPrinters.h"
#include "platform/tests/X11Driver.h"
#include "platform/tests/X11TestClient.h"

namespace quenda::testing {
namespace {

class X11Apps : public ::testing::Test {
  protected:
    void SetUp() override {
        // The index is read from these when the desktop opens: a home of our own, and the
        // system's entries (Debian's xterm) from one known folder.
        qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
        qputenv("XDG_DATA_DIRS", "/usr/share");
        // What we launch must come up on the private display.
        qputenv("DISPLAY", X11Driver::sharedDisplay().name().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        driver = std::make_unique<X11Driver>();
    }
    void TearDown() override {
        // Processes this test launched (detached, so not our children) end by their pids.
        for (const RunningApplication& a : apps().runningApplications()) {
            if (a.identifier.value_or(QString()).startsWith("quenda-tests-")) kill(a.pid, SIGKILL);
        }
        driver.reset();
    }

    Applications& apps() { return driver->applications(); }
    QString writeEntry(const QString& path, const QByteArray& keys) {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\n" + keys);
        return path;
    }
    QString applications() const { return dataHome.filePath("applications"); }
    std::optional<RunningApplication> runningAs(const QString& identifier) {
        for (RunningApplication& a : apps().runningApplications()) {
            if (a.identifier == identifier) return a;
        }
        return std::nullopt;
    }
    std::vector<QString> visibleTitles(const std::vector<QString>& ours) {
        return testing::visibleTitles(driver->server(), ours);
    }
    bool minimized(uint64_t window) {
        return driver->server().isMinimized({driver->pidOf(window), window}).value_or(false);
    }

    QTemporaryDir dataHome;
    std::unique_ptr<X11Driver> driver;
};

TEST_F(X11Apps, XtermIsKnownByItsDebianEntry) {
    const int32_t pid = driver->pidOf(driver->openWindow("apps-xterm", {40, 40, 300, 200}));
    const auto app = apps().application(pid);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->identifier, "debian-xterm");
    EXPECT_EQ(app->name, "XTerm");
    EXPECT_EQ(app->kind, ApplicationKind::regular);
    EXPECT_EQ(apps().applicationLocation("debian-xterm"),
              "/usr/share/applications/debian-xterm.desktop");
}

TEST_F(X11Apps, WithoutAnEntryTheWindowClassNamesItAndItsWindowsItsPolicy) {
    // This test process owns these windows; WM_CLASS "quenda-test", "QuendaTest".
    X11TestClient client(driver->desktop().displayName());
    const int32_t self = int32_t(getpid());
    client.open({"apps-dock", {0, 0, 1600, 24}, {"_NET_WM_WINDOW_TYPE_DOCK"}});
    auto app = apps().application(self);
    ASSERT_TRUE(app);
    EXPECT_EQ(app->identifier, "QuendaTest");
    EXPECT_EQ(app->name, "QuendaTest");
    EXPECT_EQ(app->kind, ApplicationKind::accessory);

    TestWindowSetup skipped{"apps-skip", {200, 200, 200, 100}};
    skipped.states = {"_NET_WM_STATE_SKIP_TASKBAR"};
    client.open(skipped);
    EXPECT_EQ(apps().application(self)->kind, ApplicationKind::accessory);
    client.open({"apps-normal", {500, 200, 200, 100}});
    EXPECT_EQ(apps().application(self)->kind, ApplicationKind::regular);
}

TEST_F(X11Apps, LaunchingAnEntryStartsItsProgramAsThatEntry) {
    // Two entries of one program, in a subfolder: only the launch tells them apart.
    const QByteArray program = '"' + QByteArray(QUENDA_TEST_WINDOW) + '"';
    writeEntry(applications() + "/quenda-tests/probe-a.desktop",
               "Name=Probe A\nExec=" + program + " --title launched-probe-a\n");
    writeEntry(applications() + "/quenda-tests/probe-b.desktop",
               "Name=Probe B\nName[es]=Sonda B\nExec=" + program +
                   " --title launched-probe-b --geometry 300x200+100+100 %U\n");
    const auto location = apps().applicationLocation("quenda-tests-probe-b");
    ASSERT_EQ(location, applications() + "/quenda-tests/probe-b.desktop");

    ASSERT_TRUE(apps().launchApplication(*location));
    EXPECT_TRUE(waitUntil([&] { return !visibleTitles({"launched-probe-b"}).empty(); }, 30));
    const auto app = runningAs("quenda-tests-probe-b");
    ASSERT_TRUE(app);
    EXPECT_EQ(app->name, "Probe B");
    EXPECT_FALSE(runningAs("quenda-tests-probe-a"));
}

TEST_F(X11Apps, ALaunchedApplicationRunsBeforeItShowsAWindow) {
    const QString location =
        writeEntry(applications() + "/quenda-tests-quiet.desktop", "Name=Quiet\nExec=sleep 60\n");
    ASSERT_TRUE(apps().launchApplication(location));
    const auto running = apps().runningApplicationsWithIdentifier("quenda-tests-quiet");
    ASSERT_EQ(running.size(), 1u);
    EXPECT_EQ(running[0].name, "Quiet");
    EXPECT_EQ(apps().application(running[0].pid), running[0]);
    ::kill(running[0].pid, SIGKILL);
    EXPECT_TRUE(waitUntil([&] { return apps().isTerminated(running[0].pid); }, 30));
    EXPECT_TRUE(apps().runningApplicationsWithIdentifier("quenda-tests-quiet").empty());
}

TEST_F(X11Apps, ALocationOutsideTheIndexRunsNothing) {
    QTemporaryDir elsewhere;
    const QString refusedMarker = elsewhere.filePath("refused-ran");
    const QString allowedMarker = elsewhere.filePath("allowed-ran");
    const QString outside = writeEntry(elsewhere.filePath("evil.desktop"),
                                       "Name=Evil\nExec=touch " + refusedMarker.toUtf8() + "\n");
    const QString shadow = writeEntry(applications() + "/../evil.desktop",
                                      "Name=Evil\nExec=touch " + refusedMarker.toUtf8() + "\n");
    const QString allowed = writeEntry(applications() + "/quenda-tests-toucher.desktop",
                                       "Name=Toucher\nExec=touch " + allowedMarker.toUtf8() + "\n");

    EXPECT_FALSE(apps().launchApplication(outside));
    EXPECT_FALSE(apps().launchApplication(shadow));
    EXPECT_FALSE(apps().launchApplication(applications() + "/../applications/"
                                                           "quenda-tests-toucher.desktop"));
    EXPECT_FALSE(apps().applicationLocation("../evil"));
    // Launched after the refused ones: once it has run, theirs would have too.
    ASSERT_TRUE(apps().launchApplication(allowed));
    EXPECT_TRUE(waitUntil([&] { return QFile::exists(allowedMarker); }, 30));
    EXPECT_FALSE(QFile::exists(refusedMarker));
}

TEST_F(X11Apps, AWindowRestoredByHandIsNoLongerHidden) {
    const uint64_t w = driver->openWindow("apps-by-hand", {40, 40, 300, 200});
    const int32_t pid = driver->pidOf(w);
    ASSERT_TRUE(apps().hide(pid));
    driver->settle();
    ASSERT_TRUE(visibleTitles({"apps-by-hand"}).empty());
    EXPECT_FALSE(minimized(w));

    // The user brings it back from a task bar, then minimises it: minimised, and staying so.
    driver->raise(w);
    EXPECT_TRUE(waitUntil([&] { return !visibleTitles({"apps-by-hand"}).empty(); }));
    driver->minimize(w);
    driver->settle();
    EXPECT_TRUE(minimized(w));
    EXPECT_TRUE(apps().unhide(pid));
    driver->settle();
    EXPECT_TRUE(minimized(w));
    EXPECT_TRUE(visibleTitles({"apps-by-hand"}).empty());
}

TEST_F(X11Apps, ActivatingAnApplicationBringsItBackHiddenOrNot) {
    const uint64_t a = driver->openWindow("apps-wanted", {40, 40, 300, 200});
    const uint64_t b = driver->openWindow("apps-other", {80, 80, 300, 200});
    driver->raise(b);
    const int32_t pid = driver->pidOf(a);
    ASSERT_TRUE(apps().hide(pid));
    driver->settle();
    ASSERT_EQ(visibleTitles({"apps-wanted", "apps-other"}), std::vector<QString>{"apps-other"});

    ASSERT_TRUE(apps().activate(pid));
    driver->settle();
    EXPECT_EQ(visibleTitles({"apps-wanted", "apps-other"}),
              (std::vector<QString>{"apps-wanted", "apps-other"}));
    EXPECT_TRUE(waitUntil([&] { return apps().frontmostApplication() == pid; }));
    EXPECT_FALSE(minimized(a));
}

TEST_F(X11Apps, AProcessWithoutWindowsIsAskedToEnd) {
    QProcess sleeper;
    sleeper.start("sleep", {"60"});
    ASSERT_TRUE(sleeper.waitForStarted());
    const int32_t pid = int32_t(sleeper.processId());
    EXPECT_FALSE(apps().application(pid));
    EXPECT_FALSE(apps().isTerminated(pid));
    EXPECT_TRUE(apps().terminate(pid));
    EXPECT_TRUE(waitUntil([&] { return apps().isTerminated(pid); }));
    // Reaped, so its status is known (waiting on a process already reaped gives false).
    if (sleeper.state() != QProcess::NotRunning) sleeper.waitForFinished(5000);
    ASSERT_EQ(sleeper.state(), QProcess::NotRunning);
    EXPECT_EQ(sleeper.exitStatus(), QProcess::CrashExit);  // by SIGTERM
    EXPECT_FALSE(apps().terminate(pid));                   // nothing left to ask
}

// A program of its own, reading its standard output until a line starts with `prefix`.
bool waitForLine(QProcess& p, const QByteArray& prefix, double seconds = 20) {
    QByteArray seen;
    return waitUntil(
        [&] {
            seen += p.readAllStandardOutput();
            return seen.startsWith(prefix) || seen.contains("\n" + prefix);
        },
        seconds);
}

TEST_F(X11Apps, AnApplicationLivingInTheTrayIsRegular) {
    if (QStandardPaths::findExecutable("trayer").isEmpty()) GTEST_SKIP() << "trayer is missing";
    QProcess tray;
    // Not a dock, so only its holding the tray makes it a process never to be quit.
    tray.start("trayer", {"--edge", "bottom", "--align", "right", "--widthtype", "request",
                          "--SetDockType", "false"});
    ASSERT_TRUE(tray.waitForStarted());
    const int32_t trayPid = int32_t(tray.processId());
    // The icons say when the tray has taken them in (ReparentNotify): ours with _NET_WM_PID,
    // one without it (found through the server's record of its connection), and one that
    // crashes after docking.
    QProcess withPid, withoutPid, crashing;
    withPid.start(QUENDA_TEST_TRAY_ICON, {"--class", "TrayWithPid"});
    withoutPid.start(QUENDA_TEST_TRAY_ICON, {"--no-pid", "--class", "TrayWithoutPid"});
    crashing.start(QUENDA_TEST_TRAY_ICON, {"--class", "TrayCrashing"});
    for (QProcess* p : {&withPid, &withoutPid, &crashing}) {
        ASSERT_TRUE(p->waitForStarted());
        ASSERT_TRUE(waitForLine(*p, "docked ")) << p->readAllStandardError().toStdString();
    }
    const auto listed = [&](int32_t pid) -> std::optional<RunningApplication> {
        for (RunningApplication& a : apps().runningApplications()) {
            if (a.pid == pid) return a;
        }
        return std::nullopt;
    };

    // Named after its class (no desktop entry has it), regular, and found one by one too.
    for (const auto& [p, name] :
         {std::pair{&withPid, "TrayWithPid"}, std::pair{&withoutPid, "TrayWithoutPid"}}) {
        const int32_t pid = int32_t(p->processId());
        const auto app = listed(pid);
        ASSERT_TRUE(app) << name;
        EXPECT_EQ(app->kind, ApplicationKind::regular) << name;
        EXPECT_EQ(app->name, name);
        EXPECT_EQ(apps().application(pid), app) << name;
    }
    // The tray itself is never to be quit.
    const std::vector<int32_t> essential = apps().essentialProcesses();
    EXPECT_NE(std::find(essential.begin(), essential.end(), trayPid), essential.end());

    // The crashed one's icon is gone with its connection: it is simply not there.
    const int32_t crashed = int32_t(crashing.processId());
    ::kill(crashed, SIGKILL);
    ASSERT_TRUE(crashing.waitForFinished(5000));
    EXPECT_TRUE(waitUntil([&] { return !listed(crashed); }));
    EXPECT_FALSE(apps().application(crashed));
    EXPECT_TRUE(listed(int32_t(withPid.processId())));

    // Quitting a tray-only application asks its process to end.
    const int32_t quitting = int32_t(withoutPid.processId());
    EXPECT_TRUE(apps().terminate(quitting));
    EXPECT_TRUE(withoutPid.waitForFinished(5000));
    EXPECT_TRUE(waitUntil([&] { return !listed(quitting); }));

    withPid.kill();
    withPid.waitForFinished(5000);
    tray.kill();
    tray.waitForFinished(5000);
}

}  // namespace
}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
