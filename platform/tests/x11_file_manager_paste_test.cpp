// Files we put on the clipboard, pasted by real file managers on a private X server with
// openbox: the file the file manager writes into an empty folder is the oracle.

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/clipboard/X11Pasteboard.h"

namespace quenda::testing {

namespace {

// A loaded 2-core machine can take long to bring up a GTK program for the first time.
constexpr double kWindowSeconds = 30;
constexpr double kPasteSeconds = 30;

struct FileManager {
    QString program;
    QString windowClass;  // as `xdotool search --class` matches it
};
void PrintTo(const FileManager& manager, std::ostream* out) {
    *out << manager.program.toStdString();
}

// What a program on the display prints, trimmed; nothing when it failed or hung.
std::optional<QString> outputOf(const QString& display, const QString& program,
                                const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", display);
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(int(kWindowSeconds * 1000))) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A file manager on `folder`, with a session bus, a home and settings of its own, in a
// process group of its own so that it ends with everything it started (the bus, services
// the bus started for it), also when the test fails half-way.
class FileManagerSession {
  public:
    FileManagerSession(const FileManager& manager, const QString& display, const QString& folder) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("DBUS_SESSION_BUS_ADDRESS");
        env.insert("DISPLAY", display);
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.filePath(".config"));
        env.insert("XDG_DATA_HOME", home_.filePath(".local/share"));
        env.insert("XDG_CACHE_HOME", home_.filePath(".cache"));
        env.insert("XDG_RUNTIME_DIR", runtime_.path());  // QTemporaryDir makes it 0700
        env.insert("LANG", "C.UTF-8");
        env.remove("LC_ALL");
        // Only the local file system and its mounts: fewer daemons to start and to end.
        env.insert("GIO_USE_VFS", "local");
        env.insert("GIO_USE_VOLUME_MONITOR", "unix");
        env.insert("GTK_A11Y", "none");
        env.insert("NO_AT_BRIDGE", "1");
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(home_.path());
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.setChildProcessModifier([] { setsid(); });
        process_.start("dbus-run-session", {"--", manager.program, folder});
        if (process_.waitForStarted(int(kWindowSeconds * 1000)))
            group_ = pid_t(process_.processId());
    }
    ~FileManagerSession() {
        if (group_ <= 0) return;
        kill(-group_, SIGTERM);
        const QDeadlineTimer deadline(5000);
        auto groupLeft = [&] { return kill(-group_, 0) != 0; };
        while (!groupLeft() && !deadline.hasExpired()) {
            process_.waitForFinished(50);
        }
        if (!groupLeft()) kill(-group_, SIGKILL);
        process_.waitForFinished(5000);
    }
    FileManagerSession(const FileManagerSession&) = delete;
    FileManagerSession& operator=(const FileManagerSession&) = delete;

    bool started() const { return group_ > 0; }
    // What it said, for a failure's message.
    QString log() { return QString::fromUtf8(process_.readAll()); }

  private:
    QTemporaryDir home_;
    QTemporaryDir runtime_;
    QProcess process_;
    pid_t group_ = -1;
};

}  // namespace

class X11PasteboardFileManagerTest : public ::testing::TestWithParam<FileManager> {};

// The copy of one file (a name with a space and a non-ASCII letter) pastes into an empty
// folder as the same file, and the original stays where it was.
TEST_P(X11PasteboardFileManagerTest, CopiedFilesPasteAsFiles) {
    const FileManager& manager = GetParam();
    if (QStandardPaths::findExecutable(manager.program).isEmpty())
        GTEST_SKIP() << manager.program.toStdString() << " is not installed";

    QString error;
    const auto display = PrivateDisplay::start(true, &error);
    ASSERT_TRUE(display) << error.toStdString();

    QTemporaryDir source;
    QTemporaryDir destination;
    ASSERT_TRUE(source.isValid() && destination.isValid());
    const QString name = QString::fromUtf8("informe final año.txt");
    const QByteArray content = "Ventas del trimestre: 1.234 €\nsegunda línea\n";
    {
        QFile file(source.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(content), content.size());
    }

    auto pasteboard = X11Pasteboard::open(&error, display->name());
    ASSERT_TRUE(pasteboard) << error.toStdString();
    const int64_t before = pasteboard->changeCount();
    pasteboard->writeFiles({source.filePath(name)});
    // The desktop has taken our copy once the count advances.
    ASSERT_TRUE(waitUntil([&] { return pasteboard->changeCount() > before; }, 10));

    FileManagerSession session(manager, display->name(), destination.path());
    ASSERT_TRUE(session.started()) << manager.program.toStdString() << " did not start";

    QString window;
    const bool shown = waitUntil(
        [&] {
            window = outputOf(display->name(), "xdotool",
                              {"search", "--onlyvisible", "--class", manager.windowClass})
                         .value_or(QString())
                         .section('\n', 0, 0);
            return !window.isEmpty();
        },
        kWindowSeconds);
    ASSERT_TRUE(shown) << "no window of " << manager.program.toStdString() << "\n"
                       << session.log().toStdString();

    // Activated and focused, as the window manager tells: keys go to it.
    const bool active = waitUntil(
        [&] {
            display->run("xdotool", {"windowactivate", "--sync", window});
            return outputOf(display->name(), "xdotool", {"getactivewindow"}) == window;
        },
        kWindowSeconds);
    ASSERT_TRUE(active) << "window " << window.toStdString() << " never became active";

    ASSERT_TRUE(display->run("xdotool", {"key", "--clearmodifiers", "ctrl+v"}));

    // The file manager reads our copy from this process's worker while the event loop runs.
    const QString pasted = destination.filePath(name);
    const bool arrived = waitUntil(
        [&] {
            QFile file(pasted);
            return file.open(QIODevice::ReadOnly) && file.readAll() == content;
        },
        kPasteSeconds);
    EXPECT_TRUE(arrived)
        << "folder holds: "
        << QDir(destination.path()).entryList(QDir::Files).join(" | ").toStdString() << "\n"
        << session.log().toStdString();
    EXPECT_EQ(QDir(destination.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    QFile original(source.filePath(name));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), content);
}

INSTANTIATE_TEST_SUITE_P(FileManagers, X11PasteboardFileManagerTest,
                         ::testing::Values(FileManager{"pcmanfm", "pcmanfm"},
                                           FileManager{"thunar", "Thunar"}),
                         [](const ::testing::TestParamInfo<FileManager>& info) {
                             return info.param.program.toStdString();
                         });

}  // namespace quenda::testing

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
