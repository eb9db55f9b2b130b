// The composition root: the one place that builds the real backends and hands them to the
// logic.
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QTextStream>

#include "app/AppsCommand.h"
#include "app/ConfigCommand.h"
#include "app/HistoryCommand.h"
#include "app/WindowsCommand.h"
#include "clipboard/HistoryFile.h"
#include "core/AX.h"
#include "core/AppPaths.h"
#include "core/L10n.h"
#include "main/ActionCommand.h"
#include "main/QuendaApplication.h"
#include "platform/desktop/JsonFileDefaults.h"
#include "platform/desktop/LibArchiveUnpacker.h"
#include "platform/desktop/QtHttp.h"
#include "platform/desktop/ThreadWorker.h"
#include "platform/desktop/XdgUserFolders.h"
#include "platform/x11/X11Desktop.h"
#include "update/UpdateCallers.h"
#include "update/UpdateConfig.h"

namespace {

const char* const kUsage =
    "usage: quenda [COMMAND]\n"
    "\n"
    "Without a command, starts Quenda (tray icon, global shortcuts); when it is already\n"
    "running, asks it to open its dashboard.\n"
    "\n"
    "  action ID                        run one command in the running Quenda\n"
    "  windows [--json]                 list the visible windows front to back\n"
    "  apps [--json]                    list the running applications as Quenda knows them\n"
    "  history [--json]                 list the clipboard history, newest first\n"
    "  config list                      show every setting\n"
    "  config get KEY                   show one setting\n"
    "  config set KEY VALUE             change a setting (applies to the next command)\n"
    "  config unset KEY                 return a setting to its default\n"
    "  update check                     ask the update feed for a newer release\n"
    "  update install                   install a newer release (copies installed in\n"
    "                                   ~/.local/share/Quenda only)\n"
    "  --help, --version\n";

// How long a listing waits for any one answer of the X server before it gives up: a stopped
// or hung server must not hang the command.
constexpr std::chrono::milliseconds kReadDeadline{3000};
constexpr unsigned kReadDeadlineSeconds = kReadDeadline.count() / 1000;
// The whole command's backstop, for a wait that no read deadline covers (a full socket).
constexpr unsigned kCommandDeadlineSeconds = 15;

// Connecting waits for the server's greeting with no deadline of its own: the alarm gives
// it one, and then the whole command its backstop. Each says which one passed, so a report
// tells a silent server from a command stuck elsewhere. Only async-signal-safe calls here.
extern "C" void serverDidNotAnswer(int) {
    static const char line[] = "quenda: the X server did not answer within 3 s of connecting\n";
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line, sizeof line - 1);
    _exit(1);
}
extern "C" void commandTookTooLong(int) {
    static const char line[] = "quenda: gave up after 15 s waiting for the X server\n";
    [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, line, sizeof line - 1);
    _exit(1);
}
static_assert(kReadDeadlineSeconds == 3 && kCommandDeadlineSeconds == 15,
              "the alarm messages name these deadlines");

// The desktop a listing reads, or nothing after one line on stderr: it needs a display and
// a window manager (windows and their owners are the manager's clients). Every read it
// makes has a deadline.
std::unique_ptr<quenda::X11Desktop> managedDesktop(QTextStream& err, const char* what) {
    QString error;
    std::signal(SIGALRM, serverDidNotAnswer);
    alarm(kReadDeadlineSeconds);
    auto desktop = quenda::X11Desktop::open(&error);
    std::signal(SIGALRM, commandTookTooLong);
    alarm(kCommandDeadlineSeconds);
    if (!desktop) {
        err << "quenda: " << error << "\n";
        return nullptr;
    }
    desktop->setReplyDeadline(kReadDeadline);
    const bool managed = desktop->hasWindowManager();
    if (const auto failure = desktop->connectionFailure()) {
        err << "quenda: " << *failure << "\n";
        return nullptr;
    }
    if (!managed) {
        err << "quenda: no EWMH window manager is running on display " << desktop->displayName()
            << "; " << what << " cannot be listed without one\n";
        return nullptr;
    }
    return desktop;
}

// "--json" or nothing; false (after the usage line) for anything else.
bool jsonOption(const QStringList& args, const char* command, bool* json, QTextStream& err) {
    *json = args.contains(QStringLiteral("--json"));
    if (args.size() <= (*json ? 1 : 0)) return true;
    err << "usage: quenda " << command << " [--json]\n";
    return false;
}

// A listing is printed only when the server answered every read: one that lost the server
// part way would be partial (or empty) and look complete.
int finishListing(const quenda::X11Desktop& desktop, const QString& text, QTextStream& out,
                  QTextStream& err) {
    if (const auto failure = desktop.connectionFailure()) {
        err << "quenda: " << *failure << "\n";
        return 1;
    }
    out << text;
    return 0;
}

int windowsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool json = false;
    if (!jsonOption(args, "windows", &json, err)) return 2;
    const auto desktop = managedDesktop(err, "windows");
    if (!desktop) return 1;
    const quenda::AX ax(desktop->windowServer());
    QString text;
    QTextStream listing(&text);
    quenda::printWindows(ax, json, listing);
    listing.flush();
    return finishListing(*desktop, text, out, err);
}

int appsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool json = false;
    if (!jsonOption(args, "apps", &json, err)) return 2;
    const auto desktop = managedDesktop(err, "applications");
    if (!desktop) return 1;
    QString text;
    QTextStream listing(&text);
    quenda::printApplications(desktop->applications(), json, listing);
    listing.flush();
    return finishListing(*desktop, text, out, err);
}

// Needs no display: the history is read from its file.
int historyCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool json = false;
    if (!jsonOption(args, "history", &json, err)) return 2;
    quenda::XdgUserFolders folders;
    const quenda::AppPaths paths(folders);
    return quenda::printHistory(quenda::history::path(paths), json, quenda::L10n::shared(), out,
                                err);
}

// Needs no display: the feed, the download and the installation in the data folder.
int updateCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    quenda::XdgUserFolders folders;
    const quenda::AppPaths paths(folders);
    quenda::QtHttp http;
    quenda::LibArchiveUnpacker unpacker;
    quenda::ThreadWorker worker;  // waits, when it goes, for the work that uses the unpacker
    quenda::UpdateManager manager({http, worker, unpacker, quenda::L10n::shared()},
                                  quenda::update_config::forProgram(
                                      QCoreApplication::applicationDirPath(),
                                      QCoreApplication::applicationFilePath(), paths.support()));
    std::optional<int> status;
    quenda::runUpdateCommand(args, manager, quenda::L10n::shared(), out, err, [&status](int s) {
        status = s;
        QCoreApplication::exit(s);
    });
    if (status) return *status;
    return QCoreApplication::exec();
}

// The version of this copy: its release's, or the one it was built as.
QString versionText() {
    const auto v = quenda::update_config::runningVersion(QCoreApplication::applicationDirPath());
    return v.build > 0 ? QStringLiteral("%1 (build %2)").arg(v.version).arg(v.build) : v.version;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return quenda::runApplication(argc, argv);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quenda"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUENDA_VERSION));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = QCoreApplication::arguments().mid(1);
    const QString command = args.value(0);
    if (!args.isEmpty()) args.removeFirst();
    int status = 0;
    if (command == QLatin1String("windows")) {
        status = windowsCommand(args, out, err);
    } else if (command == QLatin1String("apps")) {
        status = appsCommand(args, out, err);
    } else if (command == QLatin1String("history")) {
        status = historyCommand(args, out, err);
    } else if (command == QLatin1String("config")) {
        quenda::JsonFileDefaults store(quenda::JsonFileDefaults::defaultPath());
        status = quenda::runConfigCommand(args, store, out, err);
    } else if (command == QLatin1String("update")) {
        status = updateCommand(args, out, err);
    } else if (command == QLatin1String("action")) {
        status = quenda::runActionCommand(args, out, err);
    } else if (command == QLatin1String("--version")) {
        out << "quenda " << versionText() << "\n";
    } else if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        out << kUsage;
    } else {
        err << "quenda: unknown command \"" << command << "\"\n" << kUsage;
        status = 2;
    }
    out.flush();
    err.flush();
    return status;
}
