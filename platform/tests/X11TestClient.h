#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/Geometry.h"

struct xcb_connection_t;

namespace quenda::testing {

// A window of our own making, for the kinds xterm cannot play: typed, transient, docks with
// struts, sticky.
struct TestWindowSetup {
    QString title{};
    Rect client{100, 100, 300, 200};  // root coordinates, asked as the user's position
    QStringList types{};              // _NET_WM_WINDOW_TYPE names, in order
    std::optional<uint32_t> transientFor{};
    std::vector<uint32_t> strutPartial{};  // 12 values, or none
    bool sticky = false;
    QStringList states{};               // _NET_WM_STATE names it starts with
    std::optional<Size> minimumSize{};  // the smallest client size it takes
};

// An X client of its own (the windows belong to this test process), on `display`.
class X11TestClient {
  public:
    explicit X11TestClient(const QString& display);
    ~X11TestClient();
    X11TestClient(const X11TestClient&) = delete;
    X11TestClient& operator=(const X11TestClient&) = delete;

    // Maps the window and returns once the window manager has framed it and it is shown.
    uint32_t open(const TestWindowSetup& setup);
    void destroy(uint32_t window);

  private:
    uint32_t atom(const QString& name);
    xcb_connection_t* c_ = nullptr;
};

}  // namespace quenda::testing
