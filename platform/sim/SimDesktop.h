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
struct SimWindow {
    uint64_t id = 0;
    int32_t pid = 0;
    std::optional<QString> title;
    QString subrole = QStringLiteral("AXStandardWindow");
    bool minimized = false;
    Rect frame;  // window coordinates
    int64_t layer = 0;
    std::optional<double> alpha;
    bool onScreen = true;
    bool closable = true;
    std::optional<Rect> listBounds;  // what the window list says, when it differs from frame

    // Sizes the window accepts: within [min, max], on a grid of `step` above the minimum.
    double minWidth = 0, maxWidth = std::numeric_limits<double>::infinity();
    double minHeight = 0, maxHeight = std::numeric_limits<double>::infinity();
    double widthStep = 0, heightStep = 0;
    bool fixedPosition = false;

    std::set<std::string> failingReads;                   // these attributes fail to read
    std::map<std::string, AttributeValue> mistypedReads;  // these read as this value instead
};

struct SimApp {
    int32_t pid = 0;
    QString name;
    std::optional<QString> localizedName;  // what the running-application list calls it
    std::optional<QString> bundleID;
    ActivationPolicy policy = ActivationPolicy::regular;
    bool hidden = false;
    bool terminated = false;
    bool refusesToQuit = false;     // asked to quit, it stays (an unsaved document, say)
    uint64_t started = 0;           // launch order
    std::vector<uint64_t> windows;  // in the order the application lists them
    std::optional<uint64_t> focusedWindow;
    std::optional<bool> enhancedUserInterface;
    int enhancedUserInterfaceWrites = 0;
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
    // Flags: * focused, min minimised, hidden (not on screen), dialog, alpha=N, layer=N.
    std::vector<uint64_t> load(const QString& fixture);
    SimWindow& window(uint64_t id);
    bool exists(uint64_t id) const { return windows_.count(id) != 0; }
    void focus(uint64_t id);
    void raise(uint64_t id);
    void vanish(uint64_t id);
    // The pointer, given in window coordinates.
    void setPointer(const Point& windowPoint);
    void setMainScreen(std::optional<size_t> index) { mainScreen_ = index; }
    std::vector<uint64_t> frontToBack() const { return stacking_; }
    // Installs an application under an identifier; its location is "/sim/<identifier>".
    SimInstalledApp& install(const QString& bundleID, std::function<void()> onLaunch = {});
    // The process quits on its own: its windows go with it.
    void quit(int32_t pid);
    std::vector<QString> launches;  // locations launched, in order
    std::vector<int32_t> activations;

    bool trusted = true;
    int trustRequests = 0;
    bool windowListFails = false;
    int32_t ownProcess = 1;
    std::optional<int32_t> frontmost;
    std::map<int32_t, double> messagingTimeouts;
    int batchesOpened = 0;

    // --- WindowServer -------------------------------------------------------------------
    std::optional<AttributeValue> attribute(const Element& element, std::string_view name) override;
    void setAttribute(const Element& element, std::string_view name,
                      const AttributeValue& value) override;
    void performAction(const Element& element, std::string_view action) override;
    void setMessagingTimeout(const Element& element, double seconds) override;
    std::optional<std::vector<WindowListEntry>> windowList() override;
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
    bool launchApplication(const QString& location) override;

    // --- Screens ------------------------------------------------------------------------
    std::vector<ScreenInfo> screens() override { return screens_; }
    std::optional<ScreenInfo> mainScreen() override;
    Point pointerLocation() override { return pointer_; }

  private:
    std::optional<AttributeValue> windowAttribute(const SimWindow& w, std::string_view name);
    std::optional<AttributeValue> appAttribute(const SimApp& a, std::string_view name);
    void resize(SimWindow& w, const Size& size);

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
