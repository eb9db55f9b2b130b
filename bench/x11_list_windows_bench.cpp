// Listing windows through the X11 backend: 5 windows against 50, each a managed top-level
// window of another process on a private Xvfb with openbox. Requests are pipelined, so the
// cost should grow far less than tenfold.
//   build/bench/bench_x11_list
#include <map>
#include <memory>
#include <stdexcept>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "bench/BenchDesktop.h"
#include "core/AX.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"

using namespace quenda;

namespace {

// One private desktop per window count, kept for every run of that count.
struct Scene {
    explicit Scene(int count) {
        QString error;
        display = testing::PrivateDisplay::start(true, &error);
        if (!display) throw std::runtime_error(error.toStdString());
        client = bench::openWindows(display->name(), count);
        const bool shown = testing::waitUntil(
            [&] { return bench::managedWindows(display->name()) >= size_t(count); }, 60);
        if (!shown) throw std::runtime_error("the windows did not appear");
        desktop = X11Desktop::open(&error, display->name());
        if (!desktop) throw std::runtime_error(error.toStdString());
        if (!bench::waitUntilQuiet(desktop->windowServer()))
            throw std::runtime_error("the desktop did not settle");
    }
    ~Scene() { bench::stopWindows(client); }

    std::unique_ptr<testing::PrivateDisplay> display;
    pid_t client = -1;
    std::unique_ptr<X11Desktop> desktop;
};

Scene& scene(int count) {
    static std::map<int, std::unique_ptr<Scene>> scenes;
    auto& s = scenes[count];
    if (!s) s = std::make_unique<Scene>(count);
    return *s;
}

// What the window layer does to find the arrangeable windows: the list, then each entry's
// role, minimised state and frame, all inside one read batch.
void listAndRead(benchmark::State& state) {
    WindowServer& server = scene(int(state.range(0))).desktop->windowServer();
    size_t listed = 0;
    for (auto _ : state) {
        const ReadBatch batch(server);
        const auto list = server.windowList();
        listed = list ? list->size() : 0;
        for (const WindowListEntry& entry : list.value_or(std::vector<WindowListEntry>{})) {
            const WindowRef w{entry.ownerPid.value_or(0), entry.number};
            benchmark::DoNotOptimize(server.role(w));
            benchmark::DoNotOptimize(server.isMinimized(w));
            benchmark::DoNotOptimize(server.frame(w));
        }
    }
    state.counters["listed"] = double(listed);
}

// The same through the window layer's own matching of list entries to windows.
void orderedVisibleWindows(benchmark::State& state) {
    const AX ax(scene(int(state.range(0))).desktop->windowServer());
    size_t listed = 0;
    for (auto _ : state) listed = ax.orderedVisibleWindows().size();
    state.counters["listed"] = double(listed);
}

}  // namespace

BENCHMARK(listAndRead)->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);
BENCHMARK(orderedVisibleWindows)->Arg(5)->Arg(50)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // Both desktops up and quiet before anything is timed.
    scene(5);
    scene(50);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
