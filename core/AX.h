#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/AXWindow.h"
#include "core/L10n.h"
#include "platform/ports/Hud.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// Finding other applications' windows: the focused one, those of one process, and the
// visible standard windows of every screen front to back. Also the permission guard that
// every window command runs first.
class AX {
  public:
    explicit AX(WindowServer& server) : server_(server) {}

    std::optional<AXWindow> focusedWindow() const;
    std::vector<AXWindow> windows(int32_t pid) const;
    // The windows commands arrange: standard ones that are not minimised. An unreadable
    // role drops a window; an unreadable minimised state keeps it.
    static bool isArrangeable(const AXWindow& window) {
        return window.isStandard() && !window.isMinimized();
    }
    std::vector<AXWindow> arrangeableWindows(int32_t pid) const;
    std::vector<VisibleWindow> orderedVisibleWindows() const;

    // True when the program may control other windows; otherwise asks for the permission
    // (where the desktop can) and gives false.
    bool ensureTrusted() const;
    // The guard every window command runs first: `ensureTrusted`, and when it fails the
    // user is told in the HUD how to grant the permission. Whether the command may go on.
    bool guard(Hud& hud, const L10n& l10n) const;
    void openAccessibilitySettings() const { server_.openTrustSettings(); }

    WindowServer& server() const { return server_; }

    static constexpr double kMinWidth = 80;
    static constexpr double kMinHeight = 60;
    static constexpr double kMinAlpha = 0.01;
    static constexpr double kMatchTolerance = 4;

  private:
    WindowServer& server_;
};

}  // namespace quenda
