#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "core/Geometry.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// A handle on one window of another application. Every read goes to the window afresh; a
// handle that outlived its window reads as nothing (false for the minimised state) and its
// writes are lost. Two handles are the same window when their elements are equal.
class AXWindow {
  public:
    AXWindow(WindowServer& server, Element element, int32_t pid)
        : server_(&server), element_(element), pid_(pid) {}

    const Element& element() const { return element_; }
    int32_t pid() const { return pid_; }

    std::optional<QString> title() const;
    std::optional<QString> subrole() const;
    bool isMinimized() const;
    std::optional<Point> position() const;
    std::optional<Size> size() const;

    // Moves and resizes the window; what the window refuses it simply does not take.
    void setFrame(const Rect& frame) const;
    // Presses the window's close button, when it has one.
    void close() const;
    // Brings the window in front of its application's other windows, and makes it the one
    // its application works in.
    void raise() const;
    void makeMain() const;
    void setMinimized(bool minimized) const;

    friend bool operator==(const AXWindow& a, const AXWindow& b) {
        return a.element_ == b.element_;
    }

  private:
    template <typename T>
    std::optional<T> read(std::string_view name) const;

    WindowServer* server_;
    Element element_;
    int32_t pid_;
};

// A window together with the frame the window list gave it when the list was built.
struct VisibleWindow {
    AXWindow window;
    Rect frame;
};

}  // namespace quenda
