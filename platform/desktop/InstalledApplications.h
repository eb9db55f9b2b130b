#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/desktop/DesktopEntryIndex.h"

namespace quenda {

// What a running process shows of itself that may name its desktop entry.
struct ProcessClues {
    int32_t pid = 0;
    // GIO_LAUNCHED_DESKTOP_FILE, only when GIO_LAUNCHED_DESKTOP_FILE_PID names this process
    // (a child inherits the variables of its launcher's launch).
    std::optional<QString> launchedDesktopFile;
    std::optional<QString> gtkApplicationId;  // _GTK_APPLICATION_ID of one of its windows
    QString wmClass, wmInstance;              // WM_CLASS of its first window that has one
    QString processName;                      // /proc/PID/comm
};

struct ApplicationIdentity {
    std::optional<QString> identifier;
    std::optional<QString> name;
    friend bool operator==(const ApplicationIdentity&, const ApplicationIdentity&) = default;
};

// The installed applications as a running desktop uses them: where each one lives, starting
// one, and which one a running process is.
//
// Launching runs only the Exec line of an installed desktop entry, found again in the index at
// the moment of launch: locations and identifiers come from settings files, which a hostile
// user may have written, so a path the index does not give is refused.
class InstalledApplications {
  public:
    // Starts a program with its arguments, detached, in a working directory (empty: ours);
    // the new process's id, or nothing when it did not start.
    using Starter = std::function<std::optional<int64_t>(
        const QString& program, const QStringList& arguments, const QString& workingDirectory)>;

    explicit InstalledApplications(DesktopEntryIndex index = DesktopEntryIndex(),
                                   Starter start = startDetached);

    // QProcess::startDetached: a direct exec of the program, never a shell.
    static std::optional<int64_t> startDetached(const QString& program, const QStringList& args,
                                                const QString& workingDirectory);

    std::optional<QString> location(const QString& identifier);
    // The process started for the entry at `location`, or nothing (refused, or it failed to
    // start; the reason goes to the log).
    std::optional<int64_t> launch(const QString& location);
    // The entry this process belongs to, tried in this order: the one we launched it from,
    // GIO's launch variables, its GTK application id, then WM_CLASS (class, then instance)
    // against StartupWMClass, against identifiers ignoring case, and against the file name
    // of the entry's program ignoring case. Without one, both fall back to the WM_CLASS class
    // (the name also to the process name).
    ApplicationIdentity identify(const ProcessClues& clues);
    // Forgets launches whose processes are gone, so a reused pid is not taken for them.
    void forgetEndedLaunches();
    // The processes `launch` started that are still alive, with their entry's identity: an
    // application counts as running from its start, before it shows any window.
    std::vector<std::pair<int32_t, ApplicationIdentity>> liveLaunches();

    DesktopEntryIndex& index() { return index_; }

  private:
    DesktopEntryIndex index_;
    Starter start_;
    std::map<int64_t, QString> launched_;  // pid -> identifier
};

}  // namespace quenda
