#include "platform/tests/X11Driver.h"
#include "platform/x11/XcbReply.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <QCoreApplication>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

extern char** environ;

namespace quenda::testing {

namespace {
std::vector<uint32_t> property(xcb_connection_t* c, xcb_window_t w, const char* name,
                               xcb_atom_t type) {
    x11::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, x11::internAtom(c, name), type, 0, 4096), nullptr));
    if (!r || r->format != 32) return {};
    const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
    return {v, v + xcb_get_property_value_length(r.get()) / 4};
}

QString title(xcb_connection_t* c, xcb_window_t w) {
    x11::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 0, 256), nullptr));
    if (!r) return {};
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r.get())),
                             xcb_get_property_value_length(r.get()));
}

xcb_window_t rootOf(xcb_connection_t* c) {
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

bool contains(const std::vector<uint32_t>& v, uint32_t x) {
    return std::find(v.begin(), v.end(), x) != v.end();
}
}  // namespace

PrivateDisplay& X11Driver::sharedDisplay() {
    static std::unique_ptr<PrivateDisplay> shared = [] {
        QString error;
        auto d = PrivateDisplay::start(true, &error);
        if (!d) throw std::runtime_error("no private X display: " + error.toStdString());
        return d;
    }();
    return *shared;
}

X11Driver::X11Driver(const QString& displayName)
    : name_(displayName.isEmpty() ? sharedDisplay().name() : displayName), oracle_(name_) {
    QString error;
    desktop_ = X11Desktop::open(&error, name_);
    if (!desktop_) throw std::runtime_error(error.toStdString());
    conn_ = xcb_connect(name_.toLocal8Bit().constData(), nullptr);
}

X11Driver::~X11Driver() {
    // An X error no vanished window explains is a fault of the backend.
    if (desktop_->unexpectedXErrors() > 0) {
        ADD_FAILURE() << desktop_->unexpectedXErrors() << " unexpected X errors, the last: "
                      << desktop_->lastUnexpectedXError().toStdString();
    }
    for (const auto& [window, pid] : xterms_) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    // Wait until the manager has let go of them, so the next test starts on an empty desktop.
    waitUntil([this] {
        const auto clients = property(conn_, rootOf(conn_), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
        return std::none_of(clients.begin(), clients.end(),
                            [this](uint32_t w) { return xterms_.count(w); });
    });
    xcb_disconnect(conn_);
}

void X11Driver::run(const QString& program, const QStringList& args) {
    if (!oracle_.run(program, args))
        ADD_FAILURE() << program.toStdString() << " failed: " << args.join(' ').toStdString();
}

uint64_t X11Driver::openWindow(const QString& windowTitle, const Rect& frame) {
    // The default font's cells are 6x13, with a 2-point inner border, inside openbox's
    // 1/1/20/5 frame.
    const int cols = std::max(2, int((frame.width - 2 - 4) / 6));
    const int rows = std::max(1, int((frame.height - 25 - 4) / 13));
    return openXterm(windowTitle,
                     QStringLiteral("%1x%2+%3+%4").arg(cols).arg(rows).arg(frame.x).arg(frame.y));
}

uint64_t X11Driver::openXterm(const QString& windowTitle, const QString& windowGeometry,
                              const QString& background) {
    const std::string t = windowTitle.toStdString();
    const std::string geometry = windowGeometry.toStdString();
    std::vector<std::string> argv{"xterm", "-T", t + " (starting)", "-n", t, "-geometry", geometry};
    if (!background.isEmpty()) argv.insert(argv.end(), {"-bg", background.toStdString()});
    // xterm maps its window before its event loop runs, and drops a close request that comes
    // in between. Its shell names the window only once that loop reads the terminal, so the
    // final title says it is ready.
    const std::string shell = "printf '\\033]2;%s\\007' \"$0\"; exec cat";
    argv.insert(argv.end(), {"-e", "sh", "-c", shell, t});
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) envStrings.emplace_back(*e);
    }
    envStrings.push_back("DISPLAY=" + name_.toStdString());
    std::vector<char*> env;
    for (auto& s : envStrings) env.push_back(s.data());
    env.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "xterm", nullptr, nullptr, args.data(), env.data()) != 0)
        throw std::runtime_error("cannot start xterm");

    // Shown: managed, framed (its extents set) and mapped.
    uint64_t found = 0;
    const bool shown = waitUntil([&] {
        for (uint32_t w : property(conn_, rootOf(conn_), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW)) {
            if (title(conn_, w) != windowTitle) continue;
            if (property(conn_, w, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).size() != 4)
                return false;
            x11::Reply<xcb_get_window_attributes_reply_t> a(xcb_get_window_attributes_reply(
                conn_, xcb_get_window_attributes(conn_, w), nullptr));
            if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE) return false;
            found = w;
            return true;
        }
        return false;
    });
    if (!shown) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        throw std::runtime_error("xterm window did not appear: " + t);
    }
    xterms_[found] = pid;
    return found;
}

uint64_t X11Driver::openWindowWithMinimumSize(const QString& windowTitle, const Rect& frame,
                                              const Size& minimum) {
    if (!client_) client_ = std::make_unique<X11TestClient>(name_);
    // Inside openbox's 1/1/20/5 frame.
    const Rect client{frame.x + 1, frame.y + 20, frame.width - 2, frame.height - 25};
    const uint32_t id =
        client_->open({.title = windowTitle, .client = client, .minimumSize = minimum});
    own_.insert(id);
    return id;
}

int32_t X11Driver::pidOf(uint64_t window) {
    if (own_.count(window)) return int32_t(::getpid());
    return xterms_.at(window);
}

void X11Driver::minimize(uint64_t window) {
    run("xdotool", {"windowminimize", QString::number(window)});
    const bool hidden = waitUntil([&] {
        return contains(property(conn_, window, "_NET_WM_STATE", XCB_ATOM_ATOM),
                        x11::internAtom(conn_, "_NET_WM_STATE_HIDDEN"));
    });
    if (!hidden) ADD_FAILURE() << "window " << window << " was not minimised";
}

void X11Driver::raise(uint64_t window) {
    run("xdotool", {"windowactivate", QString::number(window)});
    const bool raised = waitUntil([&] {
        // Openbox restacks at once but names the active window only once focus has moved.
        const auto stack =
            property(conn_, rootOf(conn_), "_NET_CLIENT_LIST_STACKING", XCB_ATOM_WINDOW);
        const auto active = property(conn_, rootOf(conn_), "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW);
        return !stack.empty() && stack.back() == window &&
               active == std::vector<uint32_t>{uint32_t(window)};
    });
    if (!raised) ADD_FAILURE() << "window " << window << " was not raised";
}

void X11Driver::moveToDesktop(uint64_t window, int desktop) {
    run("wmctrl", {"-i", "-r", QString::number(window), "-t", QString::number(desktop)});
    const bool moved = waitUntil([&] {
        return property(conn_, window, "_NET_WM_DESKTOP", XCB_ATOM_CARDINAL) ==
               std::vector<uint32_t>{uint32_t(desktop)};
    });
    if (!moved) ADD_FAILURE() << "window " << window << " did not go to desktop " << desktop;
}

void X11Driver::destroy(uint64_t window) {
    auto it = xterms_.find(window);
    if (it == xterms_.end()) return;
    kill(it->second, SIGKILL);
    waitpid(it->second, nullptr, 0);
    xterms_.erase(it);
    const bool gone = waitUntil([&] {
        return !contains(property(conn_, rootOf(conn_), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW),
                         uint32_t(window));
    });
    if (!gone) ADD_FAILURE() << "window " << window << " did not go away";
}

void X11Driver::settle() {
    QCoreApplication::processEvents();
    // Openbox answers a frame-extents request only after the messages sent before it.
    const xcb_window_t root = rootOf(conn_);
    if (!probe_) {
        probe_ = xcb_generate_id(conn_);
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, probe_, root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    }
    const xcb_atom_t extents = x11::internAtom(conn_, "_NET_FRAME_EXTENTS");
    xcb_delete_property(conn_, probe_, extents);
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = probe_;
    m.type = x11::internAtom(conn_, "_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(conn_, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&m));
    xcb_flush(conn_);
    const bool answered = waitUntil([&] {
        return property(conn_, probe_, "_NET_FRAME_EXTENTS", XCB_ATOM_CARDINAL).size() == 4;
    });
    if (!answered) ADD_FAILURE() << "the window manager did not answer";
}

std::unique_ptr<DesktopDriver> makeX11Driver() {
    return std::make_unique<X11Driver>();
}

}  // namespace quenda::testing
