#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "app/DashboardState.h"
#include "app/Diagnostics.h"
#include "core/L10n.h"
#include "hotkeys/HotKeyAction.h"
#include "hotkeys/HotKeyCenter.h"
#include "hotkeys/ShortcutRecorder.h"
#include "platform/ports/ActiveWindowEvents.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Clock.h"
#include "platform/ports/DesktopOpener.h"
#include "platform/ports/Hud.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// What the dashboard is drawn in: a regular window. Main thread only.
class DashboardSurface {
  public:
    virtual ~DashboardSurface() = default;
    // Shows the window in front, active, on the state's tab (scrolled to its anchor).
    virtual void present() = 0;
    // Hides it without closing it.
    virtual void orderOut() = 0;
};

// One category of the shortcut list and the actions of it that are shown.
struct ShortcutSection {
    HotKeyCategory category;
    std::vector<HotKeyAction> actions;
    friend bool operator==(const ShortcutSection&, const ShortcutSection&) = default;
};

// The shortcut list for a search: the query trimmed and lower-cased; empty lists every
// action, else an action is listed when its title, its category's title or its shortcut
// contains it. Categories left empty are left out.
std::vector<ShortcutSection> filterShortcuts(
    const QString& query, const std::function<QString(HotKeyAction)>& title,
    const std::function<QString(HotKeyCategory)>& categoryTitle,
    const std::function<std::optional<QString>(HotKeyAction)>& shortcut);

// Owns the dashboard: its state, its window (built on `show`, dropped when it closes), the
// permission's polling while it is open, the shortcut recorder, the window the user worked
// in last (so window commands from the dashboard act on it) and the diagnostics export.
class DashboardController {
  public:
    using SurfaceFactory = std::function<std::unique_ptr<DashboardSurface>(DashboardController&)>;

    struct Services {
        DashboardState::Services state;
        WindowServer& windows;
        Applications& applications;
        Clock& clock;
        HotKeyCenter& hotKeys;
        DesktopOpener& opener;
        std::function<QString(HotKeyAction)> title;
        // The facts of the program and the system for the diagnostics (the permission and
        // the shortcuts are filled in here).
        std::function<DiagnosticFacts()> facts;
        // Where the diagnostics file goes: the user's temporary folder.
        QString tempFolder;
        // Tells when the user's active window changes; may be null (then only the window
        // active at start is known).
        ActiveWindowEvents* activeWindowEvents = nullptr;
    };

    DashboardController(Services services, SurfaceFactory makeSurface);
    ~DashboardController();

    DashboardState& state() { return state_; }
    ShortcutRecorder& recorder() { return recorder_; }
    HotKeyCenter& hotKeys() { return s_.hotKeys; }
    bool isOpen() const { return surface_ != nullptr; }
    DashboardSurface* surface() const { return surface_.get(); }

    // Opens the window, or brings it forward; a given tab is selected, the anchor replaced.
    void show(std::optional<DashboardTab> tab = std::nullopt,
              std::optional<GuidesFocusAnchor> focus = std::nullopt);
    // The window is closing: polling stops, a recording ends as its cancel does, and the
    // window is dropped so the next `show` builds a fresh one.
    void windowWillClose();

    // Runs a window command on the window the user worked in last: brings it back and runs
    // the command 0.14 s later, leaving the dashboard behind it; with no such window left,
    // hides the dashboard and runs it 0.14 s later.
    void runOnExternalWindow(std::function<void()> command);
    // Notes the active window now and after every change.
    void startTrackingExternalApps();
    // The window of another application that was active last, still open; read when asked
    // (as the active window changes only its id is noted, with no read at all).
    std::optional<WindowRef> lastExternalWindow() const;

    void startAccessibilityPolling();
    void stopAccessibilityPolling();

    // Writes the diagnostics to "quenda-diagnostic.txt" in the temporary folder, atomically,
    // shows it in the file manager and says so; a failed write shows its reason instead.
    // The file's path, or nothing when it could not be written.
    std::optional<QString> exportTechnicalDiagnostics();
    QString diagnostics() const;

    static constexpr double kExternalDelay = 0.14;
    static constexpr double kPollInterval = 1.2;
    static inline const QString kDiagnosticsFile = QStringLiteral("quenda-diagnostic.txt");

  private:
    void noteActive(uint64_t window);

    Services s_;
    SurfaceFactory makeSurface_;
    DashboardState state_;
    ShortcutRecorder recorder_;
    std::unique_ptr<DashboardSurface> surface_;
    // A closed window goes once the event that closed it is over.
    std::unique_ptr<DashboardSurface> closing_;
    std::optional<Clock::TimerId> pollTimer_;
    bool tracking_ = false;
    // The ids of the windows that were active, newest last; a few are enough to get past
    // this program's own.
    std::deque<uint64_t> recentActive_;
    static constexpr size_t kRecentKept = 8;
    OwnedTimers timers_;
};

}  // namespace quenda
