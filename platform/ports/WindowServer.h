#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "core/Geometry.h"
#include "platform/ports/WindowPlan.h"

namespace quenda {

// What a window is for: the user's ordinary windows are standard; dialogs and everything
// else (panels, tool palettes, splash screens) are not tiled or grouped.
enum class WindowRole : uint8_t { standard, dialog, other };

// One entry of the desktop's window list. Every field the list may lack is optional, so the
// filters that read it treat "absent" alike.
struct WindowListEntry {
    std::optional<int64_t> layer;     // 0 = normal windows
    std::optional<int32_t> ownerPid;  // the owning process
    std::optional<Rect> bounds;       // outer frame, top-left origin
    std::optional<double> alpha;      // absent = opaque
    uint64_t number = 0;              // the window's id
};

// Reading and arranging the windows of other applications. Coordinates are pixels with the
// primary monitor's top-left corner as the origin, y growing downwards. Every read of a
// window that is gone, or that its application will not tell, is nothing; every request to
// one is lost without an error.
class WindowServer {
  public:
    virtual ~WindowServer() = default;

    // --- one window ---------------------------------------------------------------------
    virtual std::optional<QString> title(const WindowRef& window) = 0;
    virtual std::optional<WindowRole> role(const WindowRef& window) = 0;
    virtual std::optional<bool> isMinimized(const WindowRef& window) = 0;
    // The outer frame, decorations included.
    virtual std::optional<Rect> frame(const WindowRef& window) = 0;
    // Whether the window can be asked to close (it has a close button).
    virtual bool isClosable(const WindowRef& window) = 0;
    // The kind of program the window belongs to, as the window names it (the class part of
    // X's WM_CLASS, "XTerm", "Mousepad"); empty when it names none.
    virtual std::optional<QString> windowClass(const WindowRef& window) = 0;

    // --- applications -------------------------------------------------------------------
    // The application's windows, in the order it lists them; nothing when it cannot tell.
    virtual std::optional<std::vector<WindowRef>> windows(int32_t pid) = 0;
    // The window the application works in: its active window, else its frontmost one.
    virtual std::optional<WindowRef> focusedWindow(int32_t pid) = 0;
    // The name the application's windows give it.
    virtual std::optional<QString> applicationName(int32_t pid) = 0;
    virtual std::optional<int32_t> frontmostPid() = 0;
    virtual int32_t ownPid() = 0;

    // On-screen windows without desktop elements, front to back; nothing when the list
    // cannot be had at all.
    virtual std::optional<std::vector<WindowListEntry>> windowList() = 0;

    // May this process read and move other applications' windows?
    virtual bool isTrusted() = 0;
    // The same question, asking the user to grant it where the desktop has such a prompt.
    virtual bool requestTrust() = 0;
    virtual void openTrustSettings() {}

    // --- requests -----------------------------------------------------------------------
    // Carries out one plan as one batch, all at once (`raiseInterval` is not read here), and
    // returns when the desktop has taken it in.
    virtual void apply(const WindowPlan& plan) = 0;
    // Asks the window to close, as its close button would: it may ask its user first.
    virtual void close(const WindowRef& window) = 0;
    virtual void minimize(const WindowRef& window) = 0;

    // Between begin and end, reads may be answered from one pass over the desktop taken at
    // the first read (the caller is reading a consistent picture, not watching for changes).
    // Any request ends the pass early. Calls nest.
    virtual void beginReadBatch() {}
    virtual void endReadBatch() {}
};

// Scope of one read batch.
class ReadBatch {
  public:
    explicit ReadBatch(WindowServer& server) : server_(server) { server_.beginReadBatch(); }
    ~ReadBatch() { server_.endReadBatch(); }
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

  private:
    WindowServer& server_;
};

}  // namespace quenda
