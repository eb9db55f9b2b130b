#include "platform/tests/PrivateDisplay.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QScopeGuard>
#include <QTimer>

#include <xcb/xcb.h>

extern char** environ;

namespace quenda::testing {

namespace {

constexpr int kStartDeadlineMs = 30000;  // a loaded 2-core machine can be slow

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using XPtr = std::unique_ptr<T, FreeDeleter>;

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry(*e);
        bool replaced = false;
        for (const auto& extra : extraEnv)
            if (entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0)
                replaced = true;
        if (!replaced) envStrings.push_back(entry);
    }
    for (const auto& extra : extraEnv) envStrings.push_back(extra);
    std::vector<char*> env;
    for (auto& s : envStrings) env.push_back(s.data());
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// TERM, then KILL if it is still there after a deadline; always reaped.
void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        pollfd none{};
        poll(&none, 0, 10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// Reads the display number Xvfb writes to the pipe once it accepts connections.
QString readDisplayNumber(int fd) {
    QByteArray text;
    const QDeadlineTimer deadline(kStartDeadlineMs);
    while (!text.contains('\n') && !deadline.hasExpired()) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, int(deadline.remainingTime())) <= 0) break;
        char buffer[32];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, n);
    }
    if (!text.contains('\n')) return {};
    return ":" + QString::fromLatin1(text.trimmed());
}

xcb_atom_t atom(xcb_connection_t* conn, const char* name) {
    XPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

}  // namespace

std::unique_ptr<PrivateDisplay> PrivateDisplay::start(bool withWindowManager, QString* error) {
    std::unique_ptr<PrivateDisplay> display(new PrivateDisplay);
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = "no pipe";
        return nullptr;
    }
    // Only the write end goes to Xvfb.
    fcntl(fds[1], F_SETFD, 0);
    display->server_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                              "1600x1000x24", "-noreset", "-nolisten", "tcp"},
                             {});
    close(fds[1]);
    display->name_ = display->server_ > 0 ? readDisplayNumber(fds[0]) : QString();
    close(fds[0]);
    if (display->name_.isEmpty()) {
        *error = "Xvfb did not start";
        return nullptr;
    }
    if (!withWindowManager) return display;
    display->windowManager_ = spawn({"openbox", "--sm-disable"},
                                    {"DISPLAY=" + display->name_.toStdString(),
                                     "XDG_CONFIG_HOME=" + display->config_.path().toStdString()});
    if (display->windowManager_ <= 0 || !display->waitForWindowManager(error)) {
        if (error->isEmpty()) *error = "openbox did not start";
        return nullptr;
    }
    return display;
}

PrivateDisplay::~PrivateDisplay() {
    stop(windowManager_);
    stop(server_);
}

void PrivateDisplay::killServer() {
    if (server_ <= 0) return;
    kill(server_, SIGKILL);
    waitpid(server_, nullptr, 0);
    server_ = -1;
}

void PrivateDisplay::stopServer() {
    if (server_ > 0) kill(server_, SIGSTOP);
}

void PrivateDisplay::continueServer() {
    if (server_ > 0) kill(server_, SIGCONT);
}

// Openbox answers a frame-extents request only from its event loop, which it enters after
// grabbing its key bindings; the answer means both are in place.
bool PrivateDisplay::waitForWindowManager(QString* error) {
    xcb_connection_t* conn = xcb_connect(name_.toLocal8Bit().constData(), nullptr);
    const auto disconnect = qScopeGuard([conn] { xcb_disconnect(conn); });
    if (xcb_connection_has_error(conn)) {
        *error = "cannot connect to " + name_;
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root;
    const xcb_atom_t request = atom(conn, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(conn, "_NET_FRAME_EXTENTS");
    const xcb_window_t probe = xcb_generate_id(conn);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, probe, root, 0, 0, 10, 10, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    const QDeadlineTimer deadline(kStartDeadlineMs);
    while (!deadline.hasExpired()) {
        // Asked again each round: a request sent before openbox selected on the root is lost.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = probe;
        message.type = request;
        xcb_send_event(conn, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        XPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, probe, extents, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        if (reply && xcb_get_property_value_length(reply.get()) == 16) return true;
        if (xcb_connection_has_error(conn)) break;
        // Woken by the property change, or at the latest after 100 ms to ask again.
        pollfd p{xcb_get_file_descriptor(conn), POLLIN, 0};
        poll(&p, 1, 100);
        while (XPtr<xcb_generic_event_t> event{xcb_poll_for_event(conn)}) {
        }
    }
    *error = "openbox did not answer on " + name_;
    return false;
}

bool PrivateDisplay::run(const QString& program, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", name_);
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(kStartDeadlineMs)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool waitUntil(const std::function<bool()>& condition, double seconds) {
    const QDeadlineTimer deadline(qint64(seconds * 1000));
    QEventLoop loop;
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        // Sleeps in the event loop until an event comes or the next check is due.
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

}  // namespace quenda::testing
