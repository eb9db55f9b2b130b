#pragma once

#include <functional>
#include <map>
#include <optional>

#include <QObject>
#include <QSocketNotifier>

#include "platform/ports/WindowServer.h"
#include "platform/x11/DesktopPass.h"
#include "platform/x11/FrameMover.h"
#include "platform/x11/HiddenWindows.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// The window server on X11: EWMH for the window list, states and requests, the X-Resource
// extension for owners. Window coordinates are root coordinates shifted so the primary
// monitor's top-left is the origin.
class X11WindowServer final : public WindowServer {
  public:
    // `hidden` is shared with the applications, whose hiding it records.
    X11WindowServer(X11Connection& x, HiddenWindows& hidden);
    ~X11WindowServer() override;

    std::optional<QString> title(const WindowRef& window) override;
    std::optional<WindowRole> role(const WindowRef& window) override;
    std::optional<bool> isMinimized(const WindowRef& window) override;
    std::optional<Rect> frame(const WindowRef& window) override;
    bool isClosable(const WindowRef& window) override;
    std::optional<QString> windowClass(const WindowRef& window) override;
    std::optional<std::vector<WindowRef>> windows(int32_t pid) override;
    std::optional<WindowRef> focusedWindow(int32_t pid) override;
    std::optional<QString> applicationName(int32_t pid) override;
    std::optional<std::vector<WindowListEntry>> windowList() override;
    bool isTrusted() override { return x_.hasWindowManager(); }
    bool requestTrust() override { return x_.hasWindowManager(); }
    std::optional<int32_t> frontmostPid() override;
    int32_t ownPid() override;
    void apply(const WindowPlan& plan) override;
    void close(const WindowRef& window) override;
    void minimize(const WindowRef& window) override;
    void beginReadBatch() override;
    void endReadBatch() override;

    void setUserTimeSource(std::function<uint32_t()> source) { userTime_ = std::move(source); }
    // The server time of the user's action that requests carry; without one, the server's
    // time now. Managers that guard focus (xfwm4) drop an activation that carries
    // CurrentTime, so no request carries it.
    uint32_t userTime() const {
        const uint32_t t = userTime_ ? userTime_() : XCB_CURRENT_TIME;
        return t != XCB_CURRENT_TIME ? t : x_.serverTime();
    }
    // What the server knows of the windows, for the applications that read them too.
    ClientCache& cache() { return cache_; }
    // Waits until the window manager has handled every request sent so far.
    void waitForManager() { mover_.waitForManager(); }

  private:
    bool inBatch() const { return batchDepth_ > 0; }
    // The batch's pass (taken now if the batch has none yet), or a fresh one outside.
    DesktopPass& fullPass();
    // The pass that answers about one window: the batch's, or a fresh read of the window.
    // The window is missing from its `info` when it is gone.
    DesktopPass& passFor(xcb_window_t window, bool withDetails);
    // The window as a pass read it, with the pass; nothing when it is gone.
    const ClientInfo* client(const WindowRef& window, bool withDetails,
                             DesktopPass** pass = nullptr);
    // The application's windows, in client-list order.
    std::vector<const ClientInfo*> windowsOf(DesktopPass& p, int32_t pid) const;
    void moveFrames(const std::vector<FrameRequest>& frames);
    // Puts the window in front of all others and activates it, on its own desktop.
    void bringForward(xcb_window_t window);
    void restack(xcb_window_t window);
    void endPass() { batchPass_.reset(); }

    X11Connection& x_;
    HiddenWindows& hidden_;
    ClientCache cache_;
    FrameMover mover_;
    int batchDepth_ = 0;
    std::optional<DesktopPass> batchPass_;
    DesktopPass freshPass_;  // outside a batch: the last read, valid until the next
    std::function<uint32_t()> userTime_;
    QObject eventsContext_;
    // Takes in what the watched windows report while nobody reads, so the server never has
    // to hold it for us.
    QSocketNotifier* events_ = nullptr;
};

}  // namespace quenda::x11
