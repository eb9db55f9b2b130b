// The overview organiser with 30 windows on a private Xvfb + openbox (no compositing
// manager, so every capture redirects the windows first):
//   - overviewCapture: pictures of all 30 windows, from the request to the last one handed
//     to the main thread (the redirect and the wait for the windows' repaint included);
//   - xwdReference: one `xwd -id W` per window into /dev/null, as an outside reference;
//   - overviewOpen: the organiser from `show()` to its window mapped with every card laid
//     out (counter open_ms, its median and worst run open_median_ms and open_worst_ms, the
//     main thread's processor time for it open_cpu_median_ms),
//     then until every picture arrived (pictures_ms), with the longest pause of the main
//     loop meanwhile (max_frame_ms: a 1 ms timer's longest gap).
//   build/bench/bench_x11_overview
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "bench/BenchDesktop.h"
#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "groups/Groups.h"
#include "groups/OverviewController.h"
#include "platform/desktop/ProcFsMemory.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/VirtualClock.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"
#include "views/OverviewWindow.h"

extern char** environ;

using namespace quenda;

namespace {

constexpr int kWindows = 30;

// The private display, started before the application object so that the organiser's own
// window opens on it too.
std::unique_ptr<testing::PrivateDisplay>& privateDisplay() {
    static std::unique_ptr<testing::PrivateDisplay> display;
    return display;
}

struct Scene {
    Scene() : display(std::move(privateDisplay())) {
        QString error;
        client = bench::openWindows(display->name(), kWindows);
        testing::waitUntil([&] { return bench::managedWindows(display->name()) >= kWindows; }, 60);
        desktop = X11Desktop::open(&error, display->name());
        if (!desktop || !bench::waitUntilQuiet(desktop->windowServer()))
            throw std::runtime_error("the desktop did not settle");
        for (const auto& entry :
             desktop->windowServer().windowList().value_or(std::vector<WindowListEntry>{}))
            windows.push_back(entry.number);
        geo = std::make_unique<ScreenGeo>(desktop->screens(), prefs);
        ax = std::make_unique<AX>(desktop->windowServer());
        arranger = std::make_unique<Arranger>(desktop->windowServer(), clock);
        groups = std::make_unique<Groups>(Groups::Services{
            *ax, *geo, prefs, hud, clock, desktop->applications(), *arranger, l10n});
        controller = std::make_unique<OverviewController>(OverviewController::Services{
            {*ax, *groups, desktop->applications(), prefs, hud, l10n, desktop->thumbnails(),
             memory},
            *geo,
            desktop->screens(),
            clock,
            [this](OverviewStore& store) -> std::unique_ptr<OverviewSurface> {
                auto window =
                    std::make_unique<OverviewWindow>(store, l10n, OverviewWindow::Actions{});
                view = window.get();
                return window;
            }});
    }
    ~Scene() { bench::stopWindows(client); }

    std::unique_ptr<testing::PrivateDisplay> display;
    pid_t client = -1;
    std::unique_ptr<X11Desktop> desktop;
    std::vector<uint64_t> windows;
    SimDefaults defaults;
    Prefs prefs{defaults};
    SimHud hud;
    VirtualClock clock;
    const L10n& l10n = L10n::shared();
    ProcFsMemory memory;
    std::unique_ptr<ScreenGeo> geo;
    std::unique_ptr<AX> ax;
    std::unique_ptr<Arranger> arranger;
    std::unique_ptr<Groups> groups;
    std::unique_ptr<OverviewController> controller;
    OverviewWindow* view = nullptr;
};

Scene& scene() {
    static Scene s;
    return s;
}

void overviewCapture(benchmark::State& state) {
    Scene& s = scene();
    size_t pictures = 0;
    for (auto _ : state) {
        std::vector<uint64_t> got;
        bool done = false;
        auto capture = s.desktop->thumbnails().capture(
            s.windows,
            [&](WindowPicture p) {
                if (p.kind == PictureKind::contents) got.push_back(p.window);
            },
            [&] { done = true; });
        testing::waitUntil([&] { return done; }, 30);
        pictures = got.size();
        state.PauseTiming();
        capture.reset();  // the redirect ends with it
        state.ResumeTiming();
    }
    state.counters["pictures"] = double(pictures);
}

// The store alone: the snapshot of windows and applications the organiser starts from.
void overviewLoad(benchmark::State& state) {
    Scene& s = scene();
    const ScreenInfo screen = *s.desktop->screens().mainScreen();
    for (auto _ : state) {
        auto store = std::make_unique<OverviewStore>(
            OverviewStore::Services{*s.ax, *s.groups, s.desktop->applications(), s.prefs, s.hud,
                                    s.l10n, s.desktop->thumbnails(), s.memory},
            screen);
        store->load();
        benchmark::DoNotOptimize(store->pool().size());
        state.PauseTiming();
        store.reset();
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void xwdReference(benchmark::State& state) {
    Scene& s = scene();
    const std::string display = "DISPLAY=" + s.display->name().toStdString();
    std::vector<std::string> envs{display};
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "DISPLAY=", 8) != 0) envs.emplace_back(*e);
    std::vector<char*> env;
    for (auto& v : envs) env.push_back(v.data());
    env.push_back(nullptr);
    for (auto _ : state) {
        for (const uint64_t w : s.windows) {
            std::string id = std::to_string(w);
            std::vector<char*> argv{const_cast<char*>("xwd"),
                                    const_cast<char*>("-silent"),
                                    const_cast<char*>("-id"),
                                    id.data(),
                                    const_cast<char*>("-out"),
                                    const_cast<char*>("/dev/null"),
                                    nullptr};
            pid_t pid = -1;
            if (posix_spawnp(&pid, "xwd", nullptr, nullptr, argv.data(), env.data()) != 0) {
                state.SkipWithError("xwd is not installed (x11-apps)");
                return;
            }
            waitpid(pid, nullptr, 0);
        }
    }
}

// The main thread's processor time: what the opening costs us, whatever else the machine
// is busy with.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void overviewOpen(benchmark::State& state) {
    Scene& s = scene();
    double open = 0, pictures = 0, longest = 0, showCall = 0;
    std::vector<double> opens, cpus;
    for (auto _ : state) {
        const double cpuStart = threadCpuMs();
        QElapsedTimer clock;
        clock.start();
        s.controller->show();
        showCall += double(clock.nsecsElapsed()) / 1e6;
        testing::waitUntil(
            [&] { return s.view && s.view->isVisible() && s.view->testAttribute(Qt::WA_Mapped); },
            10);
        QApplication::processEvents();  // the cards' first layout and paint
        opens.push_back(double(clock.nsecsElapsed()) / 1e6);
        cpus.push_back(threadCpuMs() - cpuStart);
        open += opens.back();
        // The main loop's pulse while the pictures arrive.
        QElapsedTimer sinceTick;
        sinceTick.start();
        double gap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            gap = std::max(gap, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        tick.start(1);
        OverviewStore* store = s.controller->store();
        testing::waitUntil([&] { return store->picturesDone(); }, 30);
        QApplication::processEvents();
        pictures += double(clock.nsecsElapsed()) / 1e6;
        longest = std::max(longest, gap);
        state.PauseTiming();
        s.controller->close();
        s.view = nullptr;
        QApplication::processEvents();
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["open_ms"] = open / n;
    std::sort(opens.begin(), opens.end());
    if (!opens.empty()) {
        state.counters["open_median_ms"] = opens[opens.size() / 2];
        state.counters["open_worst_ms"] = opens.back();
        std::sort(cpus.begin(), cpus.end());
        state.counters["open_cpu_median_ms"] = cpus[cpus.size() / 2];
    }
    state.counters["show_call_ms"] = showCall / n;
    state.counters["pictures_ms"] = pictures / n;
    state.counters["max_frame_ms"] = longest;
}

}  // namespace

BENCHMARK(overviewCapture)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(overviewLoad)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(xwdReference)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(overviewOpen)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    QString error;
    privateDisplay() = testing::PrivateDisplay::start(true, &error);
    if (!privateDisplay()) {
        fprintf(stderr, "bench_x11_overview: %s\n", qPrintable(error));
        return 1;
    }
    qputenv("DISPLAY", privateDisplay()->name().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
