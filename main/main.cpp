// The composition root: the one place that builds the real backends and hands them to the
// logic.
#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QTextStream>

#include "app/AppsCommand.h"
#include "app/ConfigCommand.h"
#include "app/WindowsCommand.h"
#include "core/AX.h"
#include "main/ActionCommand.h"
#include "main/QuendaApplication.h"
#include "platform/desktop/JsonFileDefaults.h"
#include "platform/x11/X11Desktop.h"

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
    "  config list                      show every setting\n"
    "  config get KEY                   show one setting\n"
    "  config set KEY VALUE             change a setting (applies to the next command)\n"
    "  config unset KEY                 return a setting to its default\n"
    "  --help, --version\n";

// The desktop a listing reads, or nothing after one line on stderr: it needs a display and
// a window manager (windows and their owners are the manager's clients).
std::unique_ptr<quenda::X11Desktop> managedDesktop(QTextStream& err, const char* what) {
    QString error;
    auto desktop = quenda::X11Desktop::open(&error);
    if (!desktop) {
        err << "quenda: " << error << "\n";
        return nullptr;
    }
    if (!desktop->hasWindowManager()) {
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

int windowsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool json = false;
    if (!jsonOption(args, "windows", &json, err)) return 2;
    const auto desktop = managedDesktop(err, "windows");
    if (!desktop) return 1;
    const quenda::AX ax(desktop->windowServer());
    quenda::printWindows(ax, json, out);
    return 0;
}

int appsCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    bool json = false;
    if (!jsonOption(args, "apps", &json, err)) return 2;
    const auto desktop = managedDesktop(err, "applications");
    if (!desktop) return 1;
    quenda::printApplications(desktop->applications(), json, out);
    return 0;
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
    } else if (command == QLatin1String("config")) {
        quenda::JsonFileDefaults store(quenda::JsonFileDefaults::defaultPath());
        status = quenda::runConfigCommand(args, store, out, err);
    } else if (command == QLatin1String("action")) {
        status = quenda::runActionCommand(args, out, err);
    } else if (command == QLatin1String("--version")) {
        out << "quenda " << QUENDA_VERSION << "\n";
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
