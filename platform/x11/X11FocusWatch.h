#pragma once

#include <memory>

#include <QString>

#include "platform/ports/FocusWatch.h"

namespace quenda {

// The focus watch on X11, on a connection of its own read on the Qt main thread: the root
// window's `_NET_ACTIVE_WINDOW` (and the current desktop, the work area and the window
// manager's check window), and the structure and state of the active window and of the
// frame the window manager put around it. Pointer movements and button presses come from
// XInput2 raw events on the root window, selected only while asked for: they are copies,
// so every window still gets its own input. The header names no X type.
class X11FocusWatch final : public FocusWatch {
  public:
    // Connects to `display`, or to $DISPLAY when empty; without a server it never reports.
    explicit X11FocusWatch(const QString& display = {});
    ~X11FocusWatch() override;
    X11FocusWatch(const X11FocusWatch&) = delete;
    X11FocusWatch& operator=(const X11FocusWatch&) = delete;

    void setHandlers(Handlers handlers) override;
    void followPointer(bool on) override;
    void watchPresses(bool on) override;

    bool isConnected() const;
    // Whether the server has XInput 2.2 (without it the pointer and presses are not seen).
    bool hasRawInput() const;
    // The active window and its frame being watched now (0 for none); for tests.
    uint32_t watchedWindow() const;
    uint32_t watchedFrame() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace quenda
