// Listing windows through the X11 backend: 5 windows against 50. Requests are pipelined,
// so the cost should grow far less than tenfold. Runs on a private Xvfb with openbox.
//   build/bench/bench_x11_list
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>

#include "core/AX.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"

using namespace quenda;

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_ATOM_NONE;
    std::free(r);
    return a;
}

// A child process that shows `count` ordinary windows and waits to be killed: another
// process's windows, as the window list wants them.
pid_t openWindows(const QString& display, int count) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t netPid = atom(c, "_NET_WM_PID");
    const uint32_t self = static_cast<uint32_t>(getpid());
    for (int i = 0; i < count; ++i) {
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 20 + (i % 10) * 30,
                          20 + (i / 10) * 30, 300, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          s->root_visual, 0, nullptr);
        const std::string title = "bench " + std::to_string(i);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            title.size(), title.data());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netPid, XCB_ATOM_CARDINAL, 32, 1, &self);
        xcb_map_window(c, w);
    }
    xcb_flush(c);
    for (;;) pause();
}

size_t managedWindows(const QString& display) {
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    xcb_screen_t* s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    auto* r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, s->root, atom(c, "_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 4096),
        nullptr);
    const size_t n = r ? size_t(xcb_get_property_value_length(r)) / 4 : 0;
    std::free(r);
    xcb_disconnect(c);
    return n;
}

void listWindows(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QString error;
    auto display = testing::PrivateDisplay::start(true, &error);
    if (!display) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    const pid_t client = openWindows(display->name(), count);
    if (!testing::waitUntil([&] { return managedWindows(display->name()) >= size_t(count); }, 60)) {
        state.SkipWithError("the windows did not appear");
    }
    auto desktop = X11Desktop::open(&error, display->name());
    const AX ax(desktop->windowServer());
    size_t listed = 0;
    for (auto _ : state) {
        const auto windows = ax.orderedVisibleWindows();
        listed = windows.size();
        benchmark::DoNotOptimize(listed);
    }
    state.counters["listed"] = double(listed);
    kill(client, SIGKILL);
    waitpid(client, nullptr, 0);
}

}  // namespace

BENCHMARK(listWindows)->Arg(5)->Arg(50)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
