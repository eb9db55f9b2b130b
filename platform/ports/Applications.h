#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

namespace quenda {

// How an application takes part in the desktop: a regular one has windows the user switches
// between; an accessory one (panels, docks, tray tools) has none of those; a background one
// shows nothing at all.
enum class ApplicationKind : uint8_t { regular, accessory, background };

// One running application, as it was when it was asked for.
struct RunningApplication {
    int32_t pid = 0;
    std::optional<QString> name;        // the name the user knows it by
    std::optional<QString> identifier;  // its desktop file ID, without ".desktop"
    ApplicationKind kind = ApplicationKind::regular;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// The running applications of the desktop, and the installed ones by identifier. Requests
// to an application that has gone are lost without an error, like window writes.
class Applications {
  public:
    virtual ~Applications() = default;

    // Every running application, in the order they started. One that shows no window but
    // lives in the system tray (an icon there) is running, and regular.
    virtual std::vector<RunningApplication> runningApplications() = 0;
    // The running application of one process, or nothing when there is none.
    virtual std::optional<RunningApplication> application(int32_t pid) = 0;
    // Whether the process is gone (a pid nothing ever ran under counts as gone).
    virtual bool isTerminated(int32_t pid) = 0;
    // The application the user is working in.
    virtual std::optional<int32_t> frontmostApplication() = 0;

    // Brings the application to the front, ahead of every other application; false when it
    // has nothing to bring forward.
    virtual bool activate(int32_t pid) = 0;
    // Hides every window of the application; `unhide` shows again what hiding took away.
    virtual bool hide(int32_t pid) = 0;
    virtual bool unhide(int32_t pid) = 0;
    // Asks the application to quit, as the user would: it may ask to save first.
    virtual bool terminate(int32_t pid) = 0;

    // Processes the desktop cannot do without, never to be asked to quit: the window
    // manager, panels and docks, the owner of the desktop window.
    virtual std::vector<int32_t> essentialProcesses() { return {}; }

    // Where the application installed under the identifier lives, or nothing when no such
    // application is installed.
    virtual std::optional<QString> applicationLocation(const QString& identifier) = 0;
    // Starts the application found at a location `applicationLocation` gave; false when it
    // could not be started.
    virtual bool launchApplication(const QString& location) = 0;

    // The running applications installed under the identifier, in the order they started.
    std::vector<RunningApplication> runningApplicationsWithIdentifier(const QString& identifier) {
        std::vector<RunningApplication> found;
        for (RunningApplication& app : runningApplications()) {
            if (app.identifier == identifier) found.push_back(std::move(app));
        }
        return found;
    }
};

}  // namespace quenda
