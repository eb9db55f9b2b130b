#pragma once

#include <map>
#include <optional>

#include <QObject>

#include "platform/ports/WindowServer.h"
#include "platform/x11/ClientInfo.h"
#include "platform/x11/FrameMover.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// The window server on X11: EWMH for the window list, states and requests, the X-Resource
// extension for owners. Window coordinates are root coordinates shifted so the primary
// monitor's top-left is the origin.
class X11WindowServer final : public WindowServer {
  public:
    explicit X11WindowServer(X11Connection& x) : x_(x), mover_(x) {}
    ~X11WindowServer() override { flushMoves(); }

    std::optional<AttributeValue> attribute(const Element& element, std::string_view name) override;
    void setAttribute(const Element& element, std::string_view name,
                      const AttributeValue& value) override;
    void performAction(const Element& element, std::string_view action) override;
    std::optional<std::vector<WindowListEntry>> windowList() override;
    bool isTrusted() override { return x_.hasWindowManager(); }
    bool requestTrust() override { return x_.hasWindowManager(); }
    std::optional<int32_t> frontmostPid() override;
    int32_t ownPid() override;
    void beginReadBatch() override;
    void endReadBatch() override;

    // Sends the moves written so far and waits for the window manager to carry them out.
    // Reads do this first; the event loop does it as soon as the current command returns.
    void flushMoves();

  private:
    // The desktop as one pass read it: every client, bottom to top, with its details.
    struct Pass {
        std::vector<xcb_window_t> stacking;
        std::vector<xcb_window_t> clients;
        std::map<xcb_window_t, ClientInfo> info;
        std::optional<uint32_t> currentDesktop;
        xcb_window_t active = XCB_WINDOW_NONE;
        bool hiddenSupported = false;
        Point origin;
    };
    const Pass& pass();  // the batch's pass, or a fresh one outside a batch
    // The window's details, or nothing when it is gone. Valid until the next read.
    const ClientInfo* client(xcb_window_t window);
    Pass takePass();

    std::optional<AttributeValue> windowAttribute(const ClientInfo& c, std::string_view name);
    std::optional<AttributeValue> applicationAttribute(int32_t pid, std::string_view name);
    bool minimized(const ClientInfo& c, const Pass& p) const;
    xcb_window_t activeWindow();
    QString subrole(const ClientInfo& c) const;
    int64_t layer(const ClientInfo& c) const;
    void endPass() { pass_.reset(); }

    X11Connection& x_;
    FrameMover mover_;
    int batchDepth_ = 0;
    std::optional<Pass> pass_;
    std::map<xcb_window_t, ClientInfo> lastRead_;  // outside a batch: the last window read
    // Position and size writes not sent yet: a command that moves many windows sends them
    // together, one request per window.
    std::map<xcb_window_t, FrameMover::Move> pendingMoves_;
    QObject flushContext_;
};

}  // namespace quenda::x11
