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

#include "bench/BenchDesktop.h"
#include "core/AX.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"

using namespace quenda;

namespace {

void listWindows(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    QString error;
    auto display = testing::PrivateDisplay::start(true, &error);
    if (!display) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    const pid_t client = bench::openWindows(display->name(), count);
    if (!testing::waitUntil([&] { return bench::managedWindows(display->name()) >= size_t(count); },
                            60)) {
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
    bench::stopWindows(client);
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
