#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/AXWindow.h"
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
    std::vector<VisibleWindow> orderedVisibleWindows() const;

    // True when the program may control other windows; otherwise asks for the permission
    // (where the desktop can) and gives false, and the caller shows the "hud_ax_trust" text.
    bool ensureTrusted() const;
    void openAccessibilitySettings() const { server_.openTrustSettings(); }

    WindowServer& server() const { return server_; }

    static constexpr double kMinWidth = 80;
    static constexpr double kMinHeight = 60;
    static constexpr double kMinAlpha = 0.01;
    static constexpr double kMatchTolerance = 4;

  private:
    Element applicationElement(int32_t pid) const;
    std::vector<AXWindow> candidates(int32_t pid) const;

    WindowServer& server_;
};

}  // namespace quenda
