#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/desktop/DesktopEntryIndex.h"
#include "platform/desktop/InstalledApplications.h"

namespace quenda {
namespace {

// Three searched folders (as $XDG_DATA_HOME and two of $XDG_DATA_DIRS would give) and a
// fourth nobody searches.
struct Installed : ::testing::Test {
    QTemporaryDir root;
    QString home = root.filePath("home/applications");
    QString local = root.filePath("local/applications");
    QString system = root.filePath("system/applications");
    QString elsewhere = root.filePath("elsewhere");

    QString write(const QString& folder, const QString& relative, const QByteArray& bytes) {
        const QString path = folder + '/' + relative;
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    QString app(const QString& folder, const QString& relative, const QByteArray& name,
                const QByteArray& more = "Exec=true\n") {
        return write(folder, relative,
                     "[Desktop Entry]\nType=Application\nName=" + name + "\n" + more);
    }
    DesktopEntryIndex index() { return DesktopEntryIndex({home, local, system}, "C"); }
};

TEST_F(Installed, IdentifiersFromFolders) {
    app(system, "debian-xterm.desktop", "XTerm");
    app(system, "kde/konsole.desktop", "Konsole");
    app(system, "a/b/c.desktop", "Deep");
    write(system, "notes.txt", "[Desktop Entry]\nType=Application\nName=no\n");
    write(system, "link.desktop", "[Desktop Entry]\nType=Link\nName=a link\nURL=x\n");
    write(system, "junk.desktop", QByteArray("\0\1\2\3 binary", 12));
    write(system, "nogroup.desktop", "Name=x\n");
    app(system, ".dotted.desktop", "Dot");
    auto idx = index();
    const auto snap = idx.snapshot();
    std::vector<QString> ids;
    for (const InstalledEntry& e : snap->entries()) ids.push_back(e.id);
    std::sort(ids.begin(), ids.end());
    EXPECT_EQ(ids, (std::vector<QString>{"a-b-c", "debian-xterm", "kde-konsole"}));
    ASSERT_TRUE(snap->find("kde-konsole"));
    EXPECT_EQ(snap->find("kde-konsole")->location, system + "/kde/konsole.desktop");
    EXPECT_EQ(snap->find("debian-xterm")->entry.name, "XTerm");
}

// Runs `work` on a thread of its own and fails the whole run if it has not finished within
// the deadline: what it guards against is the program blocking for ever.
template <typename Work>
void finishesInTime(Work work) {
    auto done = std::make_shared<std::promise<void>>();
    std::thread([done, work] {
        work();
        done->set_value();
    }).detach();
    if (done->get_future().wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        ADD_FAILURE() << "blocked";
        std::_Exit(1);
    }
}

TEST_F(Installed, PipesAndDevicesDressedAsEntriesAreSkippedWithoutBlocking) {
    app(system, "good.desktop", "Good");
    QDir().mkpath(elsewhere);
    const QString fifo = elsewhere + "/fifo";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(system + "/pipe.desktop").constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(fifo, system + "/linked-pipe.desktop"));
    ASSERT_TRUE(QFile::link("/dev/zero", system + "/device.desktop"));
    finishesInTime([this] {
        auto idx = index();
        const auto snap = idx.snapshot();
        EXPECT_TRUE(snap->find("good"));
        EXPECT_FALSE(snap->find("pipe"));
        EXPECT_FALSE(snap->find("linked-pipe"));
        EXPECT_FALSE(snap->find("device"));
    });
}

TEST_F(Installed, TheFirstFolderWinsAnIdentifierAndHiddenHidesIt) {
    app(home, "editor.desktop", "Home editor");
    app(system, "editor.desktop", "System editor");
    // Hidden in an earlier folder: gone, even though a later folder has it.
    write(home, "viewer.desktop", "[Desktop Entry]\nType=Application\nName=v\nHidden=true\n");
    app(system, "viewer.desktop", "System viewer");
    // Junk in an earlier folder claims nothing.
    write(local, "player.desktop", "garbage");
    app(system, "player.desktop", "System player");
    // NoDisplay entries are installed all the same.
    app(system, "helper.desktop", "Helper", "Exec=helper\nNoDisplay=true\n");
    auto idx = index();
    const auto snap = idx.snapshot();
    ASSERT_TRUE(snap->find("editor"));
    EXPECT_EQ(snap->find("editor")->entry.name, "Home editor");
    EXPECT_FALSE(snap->find("viewer"));
    ASSERT_TRUE(snap->find("player"));
    EXPECT_EQ(snap->find("player")->entry.name, "System player");
    EXPECT_TRUE(snap->find("helper"));
    // The losing file is not a location of anything.
    EXPECT_FALSE(snap->atLocation(system + "/editor.desktop"));
    EXPECT_FALSE(snap->atLocation(system + "/viewer.desktop"));
}

TEST_F(Installed, SeesChangesToTheFolders) {
    auto idx = index();
    EXPECT_FALSE(idx.snapshot()->find("later"));
    app(local, "later.desktop", "Later");  // the folder did not even exist before
    EXPECT_TRUE(idx.snapshot()->find("later"));
    QFile::remove(local + "/later.desktop");
    EXPECT_FALSE(idx.snapshot()->find("later"));
    // Nothing changed: the same scan is handed out.
    EXPECT_EQ(idx.snapshot(), idx.snapshot());
}

TEST_F(Installed, HostileIdentifiersAreRefused) {
    app(system, "good.desktop", "Good");
    app(root.filePath("system"), "escape.desktop", "Outside the folder");
    InstalledApplications apps(index(), [](auto&&...) { return std::optional<int64_t>(1); });
    EXPECT_EQ(apps.location("good"), system + "/good.desktop");
    const QString hostile[] = {
        "",
        "/",
        "..",
        "../escape",
        "../../etc/passwd",
        "/etc/passwd",
        ".hidden",
        "good\n",
        QString("go") + QChar(0) + "od",
        "a\tb",
        QString(300, 'a'),
        "good.desktop",  // an identifier has no suffix
        "nope",
    };
    for (const QString& id : hostile) {
        EXPECT_FALSE(apps.location(id)) << id.toStdString();
        if (id != "good.desktop" && id != "nope") {
            EXPECT_FALSE(DesktopEntryIndex::isPlainIdentifier(id)) << id.toStdString();
        }
    }
    EXPECT_TRUE(DesktopEntryIndex::isPlainIdentifier("org.gnome.Calculator"));
    EXPECT_TRUE(DesktopEntryIndex::isPlainIdentifier("kde-org.kde.konsole"));
}

// What launching runs, recorded instead of started.
struct Launches : Installed {
    struct Started {
        QString program;
        QStringList args;
        QString workingDirectory;
    };
    std::vector<Started> started;
    InstalledApplications apps{
        index(),
        [this](const QString& p, const QStringList& a, const QString& w) -> std::optional<int64_t> {
            started.push_back({p, a, w});
            return 4000 + int64_t(started.size());
        }};
    QString sh = QStandardPaths::findExecutable("sh");
};

TEST_F(Launches, RunsOnlyTheExecOfAnInstalledEntry) {
    const QString good = app(system, "good.desktop", "Good", "Exec=sh -c \"exit 0\" %U\n");
    const QString outside = app(elsewhere, "evil.desktop", "Evil", "Exec=sh -c \"rm -rf x\"\n");
    const QString shadowed = app(system, "twice.desktop", "Twice", "Exec=sh\n");
    app(home, "twice.desktop", "Twice at home", "Exec=sh -c \"exit 1\"\n");
    write(home, "gone.desktop", "[Desktop Entry]\nType=Application\nName=v\nHidden=true\n");
    const QString hiddenAway = app(system, "gone.desktop", "Gone", "Exec=sh\n");
    QFile::link(good, root.filePath("link.desktop"));

    const QString refused[] = {
        outside,
        shadowed,
        hiddenAway,
        root.filePath("link.desktop"),  // the same file, by another path
        system + "/../applications/good.desktop",
        system + "//good.desktop",
        "good",
        "",
        "/sim/good",
        system,
    };
    for (const QString& location : refused)
        EXPECT_FALSE(apps.launch(location)) << location.toStdString();
    EXPECT_TRUE(started.empty());

    ASSERT_TRUE(apps.launch(good));
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].program, sh);
    EXPECT_EQ(started[0].args, (QStringList{"-c", "exit 0"}));
    EXPECT_EQ(started[0].workingDirectory, QDir::homePath());
}

TEST_F(Launches, WhatTheEntryAsksOfTheStart) {
    struct Case {
        const char* what;
        QByteArray keys;
        bool starts;
        QString workingDirectory;
    };
    const QString work = root.filePath("work");
    QDir().mkpath(work);
    const QString home = QDir::homePath();  // where an entry without Path starts
    const Case cases[] = {
        {"plain", "Exec=sh\n", true, home},
        {"in its Path", "Exec=sh\nPath=" + work.toUtf8() + "\n", true, work},
        {"Path missing", "Exec=sh\nPath=" + root.filePath("none").toUtf8() + "\n", false, ""},
        {"TryExec found", "Exec=sh\nTryExec=sh\n", true, home},
        {"TryExec absolute", "Exec=sh\nTryExec=" + sh.toUtf8() + "\n", true, home},
        {"TryExec missing", "Exec=sh\nTryExec=quenda-no-such-program\n", false, ""},
        {"program missing", "Exec=quenda-no-such-program\n", false, ""},
        {"relative program path", "Exec=bin/sh\n", false, ""},
        {"in a terminal", "Exec=sh\nTerminal=true\n", false, ""},
        {"bad Exec", "Exec=sh -c 'x'\n", false, ""},
        {"no Exec", "DBusActivatable=true\n", false, ""},
        {"D-Bus activatable runs its Exec", "Exec=sh\nDBusActivatable=true\n", true, home},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString location = app(system, QString("case%1.desktop").arg(n++), "Case", c.keys);
        const size_t before = started.size();
        EXPECT_EQ(apps.launch(location).has_value(), c.starts) << c.what;
        EXPECT_EQ(started.size(), before + (c.starts ? 1 : 0)) << c.what;
        if (c.starts && started.size() > before) {
            EXPECT_EQ(started.back().program, sh) << c.what;
            EXPECT_EQ(started.back().workingDirectory, c.workingDirectory) << c.what;
        }
    }
}

TEST_F(Launches, WhatTheFileSaysAtLaunchIsWhatRuns) {
    const QString location = app(system, "changing.desktop", "C", "Exec=sh -c \"exit 0\"\n");
    ASSERT_TRUE(apps.location("changing"));
    // Rewritten in place (the folder's time may not change): the new Exec runs.
    app(system, "changing.desktop", "C", "Exec=sh -c \"exit 3\"\n");
    ASSERT_TRUE(apps.launch(location));
    EXPECT_EQ(started.back().args, (QStringList{"-c", "exit 3"}));
    // And an entry hidden since is not started at all.
    write(system, "changing.desktop", "[Desktop Entry]\nType=Application\nName=C\nHidden=true\n");
    EXPECT_FALSE(apps.launch(location));
    // Nor one a pipe took the place of: refused at once, not read.
    ASSERT_TRUE(QFile::remove(location));
    ASSERT_EQ(::mkfifo(QFile::encodeName(location).constData(), 0600), 0);
    finishesInTime([&] { EXPECT_FALSE(apps.launch(location)); });
}

// --- who a running process is --------------------------------------------------------------

TEST_F(Installed, IdentifiesProcessesByTheirClues) {
    app(system, "debian-xterm.desktop", "XTerm", "Exec=xterm\nStartupWMClass=XTerm\n");
    app(system, "debian-uxterm.desktop", "UXTerm", "Exec=uxterm\nStartupWMClass=UXTerm\n");
    app(system, "org.gnome.Calculator.desktop", "Calculator", "Exec=gnome-calculator\n");
    app(system, "org.mozilla.firefox.desktop", "Firefox",
        "Exec=/usr/lib/firefox-esr/firefox-esr %u\n");
    app(system, "org.gimp.GIMP.desktop", "GIMP", "Exec=gimp-2.10 %U\nTryExec=gimp\n");
    app(system, "aaa-helper.desktop", "Helper", "Exec=gimp\nNoDisplay=true\n");
    app(system, "zz-gimp-tool.desktop", "Tool", "Exec=gimp\n");
    const QString viaGio = app(system, "launched.desktop", "Launched", "Exec=whatever\n");
    InstalledApplications apps(index());

    struct Case {
        const char* what;
        ProcessClues clues;
        ApplicationIdentity expected;
    };
    const auto clues = [](QString cls, QString inst) {
        ProcessClues c;
        c.pid = 77;
        c.wmClass = std::move(cls);
        c.wmInstance = std::move(inst);
        c.processName = "comm";
        return c;
    };
    ProcessClues gio = clues("XTerm", "xterm");
    gio.launchedDesktopFile = viaGio;
    ProcessClues gioElsewhere = clues("XTerm", "xterm");
    gioElsewhere.launchedDesktopFile = elsewhere + "/launched.desktop";
    ProcessClues gtk = clues("Whatever", "whatever");
    gtk.gtkApplicationId = "org.gnome.Calculator";
    ProcessClues nothing;
    nothing.pid = 78;
    nothing.processName = "daemon";

    const Case cases[] = {
        {"StartupWMClass", clues("XTerm", "xterm"), {"debian-xterm", "XTerm"}},
        {"StartupWMClass of the instance", clues("Other", "UXTerm"), {"debian-uxterm", "UXTerm"}},
        {"GIO's launch variables first", gio, {"launched", "Launched"}},
        {"GIO file outside the index", gioElsewhere, {"debian-xterm", "XTerm"}},
        {"GTK application id", gtk, {"org.gnome.Calculator", "Calculator"}},
        {"identifier ignoring case", clues("Debian-UXTerm", "x"), {"debian-uxterm", "UXTerm"}},
        {"program file name",
         clues("Firefox-esr", "Navigator"),
         {"org.mozilla.firefox", "Firefox"}},
        {"TryExec, displayed entries first", clues("GIMP", "gimp-x"), {"org.gimp.GIMP", "GIMP"}},
        {"no entry: WM_CLASS", clues("Foo", "foo"), {"Foo", "Foo"}},
        {"no WM_CLASS: the process name", nothing, {std::nullopt, "daemon"}},
    };
    for (const Case& c : cases) EXPECT_EQ(apps.identify(c.clues), c.expected) << c.what;
}

TEST_F(Launches, ALaunchedProcessIsItsEntry) {
    // Two entries of one program: only the launch tells them apart.
    app(system, "probe-a.desktop", "Probe A", "Exec=sh\n");
    const QString b = app(system, "probe-b.desktop", "Probe B", "Exec=sh\n");
    const auto pid = apps.launch(b);
    ASSERT_TRUE(pid);
    ProcessClues clues;
    clues.pid = int32_t(*pid);
    clues.wmClass = clues.wmInstance = "sh";
    EXPECT_EQ(apps.identify(clues), (ApplicationIdentity{"probe-b", "Probe B"}));
    clues.pid += 100;
    EXPECT_EQ(apps.identify(clues), (ApplicationIdentity{"probe-a", "Probe A"}));
}

}  // namespace
}  // namespace quenda
