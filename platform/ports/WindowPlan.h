#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/Geometry.h"

namespace quenda {

// One window of another application: its process and the window's id. Two references are
// the same window when both agree; a reference may outlive its window.
struct WindowRef {
    int32_t pid = 0;
    uint64_t id = 0;
    friend bool operator==(const WindowRef&, const WindowRef&) = default;
};

// A window's new outer frame, in pixels with the primary monitor's top-left as the origin.
// `keepSize` moves the window to the frame's top-left corner and leaves its size alone.
struct FrameRequest {
    WindowRef window;
    Rect frame;
    bool keepSize = false;
    friend bool operator==(const FrameRequest&, const FrameRequest&) = default;
};

// What one command does to the windows, computed before anything is sent: minimised windows
// to bring back, new frames, the order to raise windows in, and the window that ends in
// front and active. The desktop carries it out as one batch: restores, then every frame
// together, then the raises, then the focus. A window that is gone is skipped.
struct WindowPlan {
    std::vector<WindowRef> restore;
    std::vector<FrameRequest> frames;
    // Back to front: each window ends above the ones before it.
    std::vector<WindowRef> raise;
    // Ends in front of every window and active, with its application frontmost.
    std::optional<WindowRef> focus;
    // Seconds between one raise and the next; 0 raises them all at once. Raising in steps is
    // the caller's to schedule: the desktop is only ever handed one step at a time.
    double raiseInterval = 0;
    // The windows of a tiling in slot order, main slot first, when the plan is one; the
    // mosaic commands rearrange the last plan that had them.
    std::optional<std::vector<WindowRef>> tiled;

    bool empty() const { return restore.empty() && frames.empty() && raise.empty() && !focus; }
    friend bool operator==(const WindowPlan&, const WindowPlan&) = default;
};

}  // namespace quenda
