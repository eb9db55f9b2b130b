#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QString>

#include "platform/ports/Applications.h"
#include "platform/ports/Screens.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// One window of the simulated desktop, with every attribute the window layer reads and the
// odd cases it must survive.
// What a simulated window can fail to tell.
enum class SimRead : uint8_t { title, role, minimized, frame };

struct SimWindow {
    uint64_t id = 0;
    int32_t pid = 0;
    std::optional<QString> title;
    WindowRole role = WindowRole::standard;
    bool minimized = false;
    Rect frame;  // window coordinates
    int64_t layer = 0;
    std::optional<double> alpha;
    bool onScreen = true;
    int desktop = 0;  // the virtual desktop it is on; `SimWindow::allDesktops` when sticky
    bool closable = true;
    std::optional<Rect> listBounds;      // what the window list says, when it differs from frame
    std::optional<QString> windowClass;  // absent: the application's name

    // Sizes the window accepts: within [min, max], on a grid of `step` above the minimum.
    double minWidth = 0, maxWidth = std::numeric_limits<double>::infinity();
    double minHeight = 0, maxHeight = std::numeric_limits<double>::infinity();
    double widthStep = 0, heightStep = 0;
    bool fixedPosition = false;

    std::set<SimRead> unreadable;  // these read as nothing

    static constexpr int allDesktops = -1;
};

struct SimApp {
    int32_t pid = 0;
    QString name;
    std::optional<QString> localizedName;  // what the running-application list calls it
    std::optional<QString> bundleID;
    ApplicationKind kind = ApplicationKind::regular;
    bool hidden = false;
    bool terminated = false;
    bool refusesToQuit = false;     // asked to quit, it stays (an unsaved document, say)
    uint64_t started = 0;           // launch order
    std::vector<uint64_t> windows;  // in the order the application lists them
    std::optional<uint64_t> focusedWindow;
    bool windowsReadFails = false;
};

// An application installed on the simulated desktop; launching it runs `onLaunch`, which
// usually opens its windows, at once or later on a virtual clock.
struct SimInstalledApp {
    QString location;
    std::function<void()> onLaunch;
};

struct SimScreenOptions {
    double menuBar = 0;  // reserved at the top of the primary screen
    double dock = 0;     // reserved at the bottom of the primary screen
};

// An in-memory desktop for tests: screens, applications and their windows, front-to-back
// order, focus, the pointer and the permission.
class SimDesktop final : public WindowServer, public Screens, public Applications {
  public:
    explicit SimDesktop(const QString& monitors = QStringLiteral("1440x900+0+0"),
                        SimScreenOptions options = {});

    // --- building the scene -----------------------------------------------------------
    void setMonitors(const QString& monitors, SimScreenOptions options = {});
    std::vector<ScreenInfo>& screenList() { return screens_; }
    SimApp& app(int32_t pid, const QString& name = {});
    // Opens a window in front of all others and returns its id.
    uint64_t open(int32_t pid, const QString& appName, const QString& title, const Rect& frame);
    // Opens windows from a one-line description, listed front to back, e.g.
    //   "101 Safari 'Docs' 0,25 720x875 *; 102 Terminal 'sh' 100,100 600x400 min"
    // Flags: * focused, min minimised, hidden (not on screen), dialog, alpha=N, layer=N,
    // desktop=N (the virtual desktop, from 0; `all` for every one), class=NAME (the window's
    // class, when it is not the application's name).
    std::vector<uint64_t> load(const QString& fixture);
    // The desktop in the same notation, front to back, for comparing before and after: the
    // windows `load` would make again, with ids as application pids.
    QString dump() const;
    SimWindow& window(uint64_t id);
    bool exists(uint64_t id) const { return windows_.count(id) != 0; }
    void focus(uint64_t id);
    void raise(uint64_t id);
    void vanish(uint64_t id);
    // The pointer.
    void setPointer(const Point& windowPoint);
    void setMainScreen(std::optional<size_t> index) { mainScreen_ = index; }
    std::vector<uint64_t> frontToBack() const { return stacking_; }
    // Installs an application under an identifier; its location is "/sim/<identifier>".
    SimInstalledApp& install(const QString& bundleID, std::function<void()> onLaunch = {});
    // The process quits on its own: its windows go with it.
    void quit(int32_t pid);
    std::vector<QString> launches;  // locations launched, in order
    std::vector<int32_t> activations;
    std::vector<WindowPlan> plans;  // every plan applied, in order

    // The virtual desktop the user sees: windows on others are neither listed nor the
    // applications' windows, as if they were not there.
    int currentDesktop = 0;
    bool onCurrentDesktop(const SimWindow& w) const {
        return w.desktop == SimWindow::allDesktops || w.desktop == currentDesktop;
    }

    bool trusted = true;
    int trustRequests = 0;
    bool windowListFails = false;
    int32_t ownProcess = 1;
    std::optional<int32_t> frontmost;
    int batchesOpened = 0;
    std::map<int32_t, int> windowsAsked;  // how often each application's windows were read

    // --- WindowServer -------------------------------------------------------------------
    std::optional<QString> title(const WindowRef& window) override;
    std::optional<WindowRole> role(const WindowRef& window) override;
    std::optional<bool> isMinimized(const WindowRef& window) override;
    std::optional<Rect> frame(const WindowRef& window) override;
    bool isClosable(const WindowRef& window) override;
    std::optional<QString> windowClass(const WindowRef& window) override;
    std::optional<std::vector<WindowRef>> windows(int32_t pid) override;
    std::optional<WindowRef> focusedWindow(int32_t pid) override;
    std::optional<QString> applicationName(int32_t pid) override;
    std::optional<std::vector<WindowListEntry>> windowList() override;
    void apply(const WindowPlan& plan) override;
    void close(const WindowRef& window) override;
    void minimize(const WindowRef& window) override;
    bool isTrusted() override { return trusted; }
    bool requestTrust() override;
    std::optional<int32_t> frontmostPid() override { return frontmost; }
    int32_t ownPid() override { return ownProcess; }
    void beginReadBatch() override { ++batchesOpened; }

    // --- Applications -------------------------------------------------------------------
    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> application(int32_t pid) override;
    bool isTerminated(int32_t pid) override;
    std::optional<int32_t> frontmostApplication() override { return frontmost; }
    bool activate(int32_t pid) override;
    bool hide(int32_t pid) override;
    bool unhide(int32_t pid) override;
    bool terminate(int32_t pid) override;
    std::optional<QString> applicationLocation(const QString& bundleID) override;
    std::vector<int32_t> essentialProcesses() override { return essential; }
    std::vector<int32_t> essential;  // what `essentialProcesses` answers
    bool launchApplication(const QString& location) override;

    // --- Screens ------------------------------------------------------------------------
    std::vector<ScreenInfo> screens() override { return screens_; }
    std::optional<ScreenInfo> mainScreen() override;
    Point pointerLocation() override { return pointer_; }

  private:
    // The window a reference names, when it still exists and can tell `what`.
    const SimWindow* readable(const WindowRef& ref, SimRead what) const;
    SimWindow* live(const WindowRef& ref);
    void resize(SimWindow& w, const Size& size);
    void bringForward(SimWindow& w);

    std::vector<ScreenInfo> screens_;
    std::optional<size_t> mainScreen_ = 0;
    Point pointer_;
    std::map<int32_t, SimApp> apps_;
    std::map<uint64_t, SimWindow> windows_;
    std::vector<uint64_t> stacking_;  // front to back
    uint64_t nextId_ = 0x100;
    uint64_t nextStart_ = 1;
    std::map<QString, SimInstalledApp> installed_;
};

}  // namespace quenda
