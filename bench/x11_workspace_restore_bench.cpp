// Restoring a workspace of 300 real windows on a private desktop (Xvfb + openbox): the
// windows belong to 100 processes of one application, as a desk full of terminals does. Each
// round scatters the windows (untimed), then restores the slot saved at the start and runs
// every task it leaves on the main queue. Reported per round: the wall time of all that work
// ("Time"), the program's own CPU time (`cpu_ms`; the X server and the window manager are
// other processes) and the longest the main loop was kept busy at once (`longest_block_ms`).
//   build/bench/bench_x11_workspace_restore
#include <time.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <stdexcept>
#include <tuple>
#include <vector>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "bench/BenchDesktop.h"
#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimHud.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"
#include "workspaces/Workspaces.h"

using namespace quenda;

namespace {

constexpr int kWindows = 300;
// Three windows a process: the X server takes 256 clients at most.
constexpr int kProcesses = 100;

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A main queue that runs its tasks on demand, in the order they fall due, without waiting
// for their delays, and times each one: every task is one stretch the main loop is busy.
class TimedQueue final : public Clock {
  public:
    double now() override { return now_; }
    void after(double seconds, Task task) override {
        queue_.emplace(std::tuple{now_ + std::max(0.0, seconds), sequence_++}, std::move(task));
    }
    TimerId every(double, Task) override { throw std::logic_error("no repeating work here"); }
    void cancel(TimerId) override {}

    // Runs `first` and then every task it leads to; the longest of them, in seconds.
    double runAll(const Task& first) {
        double longest = timed(first);
        while (!queue_.empty()) {
            auto it = queue_.begin();
            now_ = std::get<0>(it->first);
            const Task task = std::move(it->second);
            queue_.erase(it);
            longest = std::max(longest, timed(task));
        }
        return longest;
    }

  private:
    static double timed(const Task& task) {
        const double start = wallSeconds();
        task();
        return wallSeconds() - start;
    }

    double now_ = 0;
    uint64_t sequence_ = 0;
    std::map<std::tuple<double, uint64_t>, Task> queue_;
};

struct Scene {
    Scene() {
        QString error;
        display = testing::PrivateDisplay::start(true, &error);
        if (!display) throw std::runtime_error(error.toStdString());
        for (int i = 0; i < kProcesses; ++i) {
            clients.pids.push_back(bench::openWindows(display->name(), kWindows / kProcesses,
                                                      QStringLiteral("benchterm"),
                                                      QStringLiteral("term %1.").arg(i)));
        }
        testing::waitUntil([&] { return bench::managedWindows(display->name()) >= kWindows; }, 120);
        desktop = X11Desktop::open(&error, display->name());
        if (!desktop) throw std::runtime_error(error.toStdString());
        if (!bench::waitUntilQuiet(desktop->windowServer()))
            throw std::runtime_error("the desktop did not settle");
        ax = std::make_unique<AX>(desktop->windowServer());
        geo = std::make_unique<ScreenGeo>(desktop->screens(), prefs);
        arranger = std::make_unique<Arranger>(desktop->windowServer(), queue);
        workspaces = std::make_unique<Workspaces>(
            Workspaces::Services{*ax, *geo, desktop->screens(), prefs, hud, queue,
                                 desktop->applications(), *arranger, l10n});
        // Every window on a frame of its own, then saved: the slot the rounds restore.
        WindowPlan plan;
        int i = 0;
        for (const VisibleWindow& v : ax->orderedVisibleWindows()) {
            plan.frames.push_back({v.window.ref(), spot(i++, 0)});
        }
        desktop->windowServer().apply(plan);
        bench::waitUntilQuiet(desktop->windowServer());
        const double start = wallSeconds();
        longestSave = queue.runAll([&] { workspaces->save(1); });
        saveTime = wallSeconds() - start;
        const auto saved = workspaces->load(1);
        // The window manager may still be busy with one or two: near enough.
        if (!saved || saved->size() < size_t(kWindows) * 9 / 10)
            throw std::runtime_error("saving did not record the windows: " +
                                     hud.last().toStdString());
        savedCount = int(saved->size());
    }

    static Rect spot(int i, int shift) {
        return {double(10 + (i % 20) * 40 + shift), double(40 + (i / 20) * 30 + shift),
                double(320 + (i % 7) * 10), double(220 + (i % 5) * 10)};
    }

    // Every window somewhere else, untimed, and confirmed.
    void scatter() {
        WindowPlan plan;
        int i = 0;
        for (const VisibleWindow& v : ax->orderedVisibleWindows()) {
            plan.frames.push_back({v.window.ref(), spot((i++ * 7) % kWindows, 13)});
        }
        desktop->windowServer().apply(plan);
        bench::waitUntilQuiet(desktop->windowServer());
    }

    std::unique_ptr<testing::PrivateDisplay> display;
    // Ended before the display, also when setting up fails half-way.
    struct Clients {
        ~Clients() {
            for (pid_t c : pids) bench::stopWindows(c);
        }
        std::vector<pid_t> pids;
    } clients;
    std::unique_ptr<X11Desktop> desktop;
    SimDefaults defaults;
    Prefs prefs{defaults};
    SimHud hud;
    TimedQueue queue;
    L10n l10n = L10n::builtIn();
    std::unique_ptr<AX> ax;
    std::unique_ptr<ScreenGeo> geo;
    std::unique_ptr<Arranger> arranger;
    std::unique_ptr<Workspaces> workspaces;
    int savedCount = 0;
    double saveTime = 0;
    double longestSave = 0;
};

Scene& scene() {
    static Scene s;
    return s;
}

void restore300(benchmark::State& state) {
    Scene& s = scene();
    double longest = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.scatter();
        s.hud.messages.clear();
        const double cpuStart = cpuSeconds();
        state.ResumeTiming();
        longest = std::max(longest, s.queue.runAll([&] { s.workspaces->restore(1); }));
        state.PauseTiming();
        cpu += cpuSeconds() - cpuStart;
        const QString expected =
            s.l10n.format(QStringLiteral("hud_ws_restored"), {1, s.savedCount});
        if (s.hud.last() != expected) {
            state.SkipWithError(("restoring said: " + s.hud.last().toStdString()).c_str());
            break;
        }
        state.ResumeTiming();
    }
    state.counters["cpu_ms"] = benchmark::Counter(cpu * 1000 / double(state.iterations()));
    state.counters["longest_block_ms"] = benchmark::Counter(longest * 1000);
    state.counters["windows"] = benchmark::Counter(s.savedCount);
    state.counters["save_ms"] = benchmark::Counter(s.saveTime * 1000);
    state.counters["longest_save_block_ms"] = benchmark::Counter(s.longestSave * 1000);
}

}  // namespace

BENCHMARK(restore300)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
