#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/desktop/InstalledApplications.h"
#include "platform/ports/Applications.h"
#include "platform/x11/DesktopPass.h"
#include "platform/x11/HiddenWindows.h"
#include "platform/x11/SystemTray.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11WindowServer.h"

namespace quenda::x11 {

// The running applications on X11: each process that owns client windows of the window
// manager (its pid as the window server finds it), in the order its first window appears in
// _NET_CLIENT_LIST, named after the desktop entry it was matched to; then the processes
// that live in the system tray only (an icon docked there, no client window); then the
// processes we launched that have no window yet. An application with an icon in the tray
// is regular: the user goes back to it through its icon.
class X11Applications final : public Applications {
  public:
    X11Applications(X11Connection& x, X11WindowServer& server, HiddenWindows& hidden,
                    InstalledApplications& installed);

    std::vector<RunningApplication> runningApplications() override;
    std::optional<RunningApplication> application(int32_t pid) override;
    bool isTerminated(int32_t pid) override;
    std::optional<int32_t> frontmostApplication() override;
    bool activate(int32_t pid) override;
    bool hide(int32_t pid) override;
    bool unhide(int32_t pid) override;
    bool terminate(int32_t pid) override;
    std::optional<QString> applicationLocation(const QString& identifier) override;
    bool launchApplication(const QString& location) override;
    // The window manager (the owner of its check window), the system tray's host, and every
    // process owning a dock, a panel or the desktop window.
    std::vector<int32_t> essentialProcesses() override;

  private:
    // A process with its client windows, in client-list order, and its tray icon.
    struct Owner {
        int32_t pid = 0;
        std::vector<const ClientInfo*> windows;
        const TrayIcon* trayIcon = nullptr;
    };
    struct Reading {
        DesktopPass pass;
        TrayReading tray;
        bool trayRead = false;
        std::vector<Owner> owners;
        const Owner* find(int32_t pid) const;
        Owner& ownerOf(int32_t pid);  // made when missing
    };
    enum class WithTray : bool { no, yes };
    Reading read(WithTray withTray = WithTray::no);
    // Adds the tray's icons to a reading: their processes become owners too.
    void readTray(Reading& r);
    ApplicationKind describeKind(const Owner& owner) const;
    // Works out who the processes seen for the first time are, in one round trip for all.
    void identifyNew(Reading& r);
    RunningApplication describe(const Owner& owner) const;
    // Shows again the windows hiding took from the process; whether there were any.
    bool showHidden(int32_t pid);

    X11Connection& x_;
    X11WindowServer& server_;
    HiddenWindows& hidden_;
    InstalledApplications& installed_;
    // Who each process is, kept while it has windows.
    std::map<int32_t, ApplicationIdentity> identities_;
    xcb_atom_t traySelection_ = XCB_ATOM_NONE;  // asked for once
};

}  // namespace quenda::x11
