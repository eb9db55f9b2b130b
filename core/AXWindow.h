#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "core/Geometry.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// A handle on one window of another application. Every read goes to the window afresh; a
// handle that outlived its window reads as nothing (false for the minimised state). Moving
// and raising windows goes through a plan (`core/Arranger.h`), never through a handle. Two
// handles are the same window when their references are equal.
class AXWindow {
  public:
    AXWindow(WindowServer& server, WindowRef ref) : server_(&server), ref_(ref) {}

    const WindowRef& ref() const { return ref_; }
    int32_t pid() const { return ref_.pid; }

    std::optional<QString> title() const { return server_->title(ref_); }
    std::optional<WindowRole> role() const { return server_->role(ref_); }
    bool isStandard() const { return role() == WindowRole::standard; }
    bool isMinimized() const { return server_->isMinimized(ref_).value_or(false); }
    std::optional<Rect> frame() const { return server_->frame(ref_); }

    // Asks the window to close, when it has a close button.
    void close() const {
        if (server_->isClosable(ref_)) server_->close(ref_);
    }

    friend bool operator==(const AXWindow& a, const AXWindow& b) { return a.ref_ == b.ref_; }

  private:
    WindowServer* server_;
    WindowRef ref_;
};

// A window together with the frame the window list gave it when the list was built.
struct VisibleWindow {
    AXWindow window;
    Rect frame;
};

}  // namespace quenda
