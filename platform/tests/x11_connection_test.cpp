// Opening the X11 desktop, and what it answers without a window manager or after losing
// the server.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>

#include <poll.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <xcb/xcb.h>

#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"

namespace quenda::testing {
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// A display number nobody listens on.
QString unusedDisplay() {
    for (int n = 4242;; ++n) {
        if (!QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) &&
            !QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            return QStringLiteral(":%1").arg(n);
    }
}

TEST(X11Open, FailsWithAOneLineReason) {
    const QByteArray saved = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    QString error;
    EXPECT_FALSE(X11Desktop::open(&error));
    EXPECT_EQ(error, "no X display: DISPLAY is not set");

    const QString refused = unusedDisplay();
    qputenv("DISPLAY", refused.toLocal8Bit());
    EXPECT_FALSE(X11Desktop::open(&error));
    EXPECT_EQ(error, QStringLiteral("cannot connect to X display '%1'").arg(refused));
    qputenv("DISPLAY", saved);
}

class X11WithoutManager : public ::testing::Test {
  protected:
    void SetUp() override {
        QString error;
        display = PrivateDisplay::start(false, &error);
        ASSERT_TRUE(display) << error.toStdString();
        desktop = X11Desktop::open(&error, display->name());
        ASSERT_TRUE(desktop) << error.toStdString();
    }
    std::unique_ptr<PrivateDisplay> display;
    std::unique_ptr<X11Desktop> desktop;
};

TEST_F(X11WithoutManager, OpensButMayNotControlWindows) {
    EXPECT_FALSE(desktop->hasWindowManager());
    EXPECT_FALSE(desktop->windowServer().isTrusted());
    EXPECT_FALSE(desktop->windowServer().requestTrust());
    EXPECT_EQ(desktop->displayName(), display->name());
    const auto list = desktop->windowServer().windowList();
    ASSERT_TRUE(list);
    EXPECT_TRUE(list->empty());
    EXPECT_FALSE(desktop->windowServer().frontmostPid());
    const auto screens = desktop->screens().screens();
    ASSERT_EQ(screens.size(), 1u);
    EXPECT_EQ(screens[0].frame, (Rect{0, 0, 1600, 1000}));
    EXPECT_EQ(desktop->unexpectedXErrors(), 0) << desktop->lastUnexpectedXError().toStdString();
}

// A manager announces itself with a check window that names itself; one that died leaves
// the root naming a window that is gone.
TEST_F(X11WithoutManager, OnlyALiveCheckWindowMeansAManager) {
    xcb_connection_t* c = xcb_connect(display->name().toLocal8Bit().constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr));
    const auto make = [&] {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        return w;
    };
    const auto point = [&](xcb_window_t from, xcb_window_t to) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, from, atom->atom, XCB_ATOM_WINDOW, 32, 1,
                            &to);
    };
    const auto sync = [&] {
        std::unique_ptr<xcb_get_input_focus_reply_t, FreeDeleter> r(
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    };

    const xcb_window_t gone = make();
    xcb_destroy_window(c, gone);
    point(root, gone);
    sync();
    EXPECT_FALSE(desktop->hasWindowManager()) << "names a window that is gone";

    const xcb_window_t check = make(), other = make();
    point(root, check);
    point(check, other);
    sync();
    EXPECT_FALSE(desktop->hasWindowManager()) << "names a window that names another";

    point(check, check);
    sync();
    EXPECT_TRUE(desktop->hasWindowManager()) << "names a window that names itself";
    EXPECT_TRUE(desktop->windowServer().isTrusted());
    xcb_disconnect(c);
    EXPECT_EQ(desktop->unexpectedXErrors(), 0) << desktop->lastUnexpectedXError().toStdString();
}

// What a window manager receives when a plan raises and focuses a window, seen by a stand-in
// that holds the root's redirection and announces no `_NET_RESTACK_WINDOW` (as xfwm4): the
// raise comes as the client's own configure request, and the activation carries a real
// server time, never CurrentTime, whether or not a user action's time is known.
TEST_F(X11WithoutManager, ARaiseAndAnActivationReachAManagerWithoutRestack) {
    xcb_connection_t* c = xcb_connect(display->name().toLocal8Bit().constData(), nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t redirect =
        XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    std::unique_ptr<xcb_generic_error_t, FreeDeleter> refused(xcb_request_check(
        c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &redirect)));
    ASSERT_FALSE(refused) << "another client manages the root";
    const char name[] = "_NET_ACTIVE_WINDOW";
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> active(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr));
    const xcb_window_t w = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, root, 10, 10, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(c);

    struct Seen {
        bool raised = false;
        std::optional<uint32_t> activationTime;
    };
    // Reads what reached the stand-in until both arrived or 5 s passed.
    const auto watch = [&] {
        Seen seen;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while ((!seen.raised || !seen.activationTime) && std::chrono::steady_clock::now() < end) {
            std::unique_ptr<xcb_generic_event_t, FreeDeleter> e(xcb_poll_for_event(c));
            if (!e) {
                pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
                poll(&p, 1, 50);
                continue;
            }
            const uint8_t type = e->response_type & 0x7f;
            if (type == XCB_CONFIGURE_REQUEST) {
                const auto* r = reinterpret_cast<const xcb_configure_request_event_t*>(e.get());
                if (r->window == w && (r->value_mask & XCB_CONFIG_WINDOW_STACK_MODE) &&
                    r->stack_mode == XCB_STACK_MODE_ABOVE)
                    seen.raised = true;
            } else if (type == XCB_CLIENT_MESSAGE) {
                const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(e.get());
                if (m->window == w && m->type == active->atom)
                    seen.activationTime = m->data.data32[1];
            }
        }
        return seen;
    };

    const WindowRef ref{int32_t(::getpid()), w};
    const struct {
        const char* what;
        uint32_t userTime;
    } cases[] = {{"no user action", 0}, {"a key press at 4242", 4242}};
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        desktop->setUserTimeSource([t = k.userTime] { return t; });
        WindowPlan plan;
        plan.raise = {ref};
        plan.focus = ref;
        desktop->windowServer().apply(plan);
        const Seen seen = watch();
        EXPECT_TRUE(seen.raised);
        ASSERT_TRUE(seen.activationTime);
        if (k.userTime)
            EXPECT_EQ(*seen.activationTime, k.userTime);
        else
            EXPECT_NE(*seen.activationTime, uint32_t(XCB_CURRENT_TIME));
    }
    xcb_disconnect(c);
    EXPECT_EQ(desktop->unexpectedXErrors(), 0) << desktop->lastUnexpectedXError().toStdString();
}

// Once the server is gone every read is nothing at once: no hang, no crash.
TEST_F(X11WithoutManager, ALostServerAnswersNothing) {
    display->killServer();
    const auto start = std::chrono::steady_clock::now();
    WindowServer& server = desktop->windowServer();
    const WindowRef w{1, 0x200001};
    EXPECT_FALSE(server.windowList());
    EXPECT_FALSE(server.title(w));
    EXPECT_FALSE(server.windows(1));
    EXPECT_FALSE(server.frontmostPid());
    EXPECT_FALSE(server.isTrusted());
    EXPECT_FALSE(desktop->hasWindowManager());
    server.apply(WindowPlan{.frames = {{w, {1, 1, 100, 100}}}, .raise = {w}, .focus = w});
    {
        const ReadBatch batch(server);
        EXPECT_FALSE(server.windowList());
        EXPECT_FALSE(server.frame(w));
    }
    EXPECT_TRUE(desktop->screens().screens().empty());
    EXPECT_FALSE(desktop->screens().mainScreen());
    EXPECT_EQ(desktop->screens().pointerLocation(), (Point{}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    // Told apart from an empty desktop.
    EXPECT_EQ(desktop->connectionFailure(),
              QStringLiteral("the X connection to display '%1' was lost").arg(display->name()));
}

// A frozen server (stopped, or hung) answers nothing: with a read deadline, the first read
// gives up at the deadline, every later one at once, and the connection says why.
TEST_F(X11WithoutManager, AStoppedServerIsGivenUpAtTheReadDeadline) {
    WindowServer& server = desktop->windowServer();
    desktop->setReplyDeadline(std::chrono::milliseconds(500));
    ASSERT_TRUE(server.windowList());
    EXPECT_EQ(desktop->connectionFailure(), std::nullopt);

    display->stopServer();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(server.windowList());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(450));
    EXPECT_LT(waited, std::chrono::seconds(2));
    EXPECT_FALSE(server.windows(1));
    EXPECT_FALSE(desktop->hasWindowManager());
    EXPECT_TRUE(desktop->screens().screens().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(desktop->connectionFailure(),
              QStringLiteral("X display '%1' did not answer within 0.5 s").arg(display->name()));
    display->continueServer();
}

}  // namespace
}  // namespace quenda::testing
