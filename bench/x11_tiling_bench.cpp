// Tiling 12 real windows, from the command to the last frame confirmed by the X server,
// beside the same moves made with one `wmctrl -i -r ID -e ...` per window and beside a bare
// xcb loop that sends the 12 requests and waits for them (the floor). Before each timed
// round the windows are scattered again, untimed, so every round really moves them.
//   build/bench/bench_x11_tiling
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "bench/BenchDesktop.h"
#include "core/AX.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "layouts/WindowManager.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/VirtualClock.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/ClientsRequest.h"
#include "platform/x11/FrameMover.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11Desktop.h"

extern char** environ;

using namespace quenda;

namespace {

constexpr int kWindows = 12;

// One private desktop with 12 windows and the program's logic over it, for all benchmarks.
struct Scene {
    Scene() {
        QString error;
        display = testing::PrivateDisplay::start(true, &error);
        if (!display) throw std::runtime_error(error.toStdString());
        client = bench::openWindows(display->name(), kWindows);
        testing::waitUntil([&] { return bench::managedWindows(display->name()) >= kWindows; }, 60);
        desktop = X11Desktop::open(&error, display->name());
        if (!bench::waitUntilQuiet(desktop->windowServer()))
            throw std::runtime_error("the desktop did not settle");
        x = x11::X11Connection::open(display->name(), &error);
        windows = x11::clientList(*x, false);
        geo = std::make_unique<ScreenGeo>(desktop->screens(), prefs);
        ax = std::make_unique<AX>(desktop->windowServer());
        arranger = std::make_unique<Arranger>(desktop->windowServer(), clock);
        manager = std::make_unique<WindowManager>(WindowManager::Services{
            *ax, *geo, desktop->screens(), prefs, hud, clock, *arranger, l10n});
        // The frames a tiling gives: the target of the other two ways.
        manager->tile(Layout::auto_);
        desktop->windowServer().windowList();
        for (const auto& [w, info] : x11::fetchClients(*x, windows)) {
            targets[w] = info.outer();
            extents[w] = info.frame;
        }
    }
    ~Scene() { bench::stopWindows(client); }

    // Every window to its own spot, untimed, and confirmed.
    void scatter() {
        int i = 0;
        std::map<xcb_window_t, Rect> spots;
        for (xcb_window_t w : windows) {
            spots[w] = {double(40 + 37 * i), double(60 + 23 * i), 400, 300};
            ++i;
        }
        send(spots);
        waitFor(spots);
    }

    void send(const std::map<xcb_window_t, Rect>& frames) {
        for (const auto& [w, f] : frames)
            x11::requestMoveResize(*x, w, f, extents[w], {}, true, true);
        xcb_flush(x->c());
    }

    // Polls until the windows fill exactly the given frames, whichever window takes which
    // (a tiling orders windows by focus and stacking, which the rounds may change).
    void waitForCells(const std::map<xcb_window_t, Rect>& frames) {
        std::vector<std::tuple<double, double, double, double>> want;
        for (const auto& [w, f] : frames) want.emplace_back(f.x, f.y, f.width, f.height);
        std::sort(want.begin(), want.end());
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            std::vector<std::tuple<double, double, double, double>> have;
            for (const auto& [w, info] : x11::fetchClients(*x, windows)) {
                const Rect f = info.outer();
                have.emplace_back(f.x, f.y, f.width, f.height);
            }
            std::sort(have.begin(), have.end());
            if (have == want) return;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    // Polls until every window shows its frame (or 2 s pass).
    void waitFor(const std::map<xcb_window_t, Rect>& frames) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            bool all = true;
            for (const auto& [w, info] : x11::fetchClients(*x, windows)) {
                if (!(info.outer() == frames.at(w))) all = false;
            }
            if (all) return;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }

    std::unique_ptr<testing::PrivateDisplay> display;
    pid_t client = -1;
    std::unique_ptr<X11Desktop> desktop;
    std::unique_ptr<x11::X11Connection> x;
    std::vector<xcb_window_t> windows;
    SimDefaults defaults;
    Prefs prefs{defaults};
    SimHud hud;
    VirtualClock clock;  // the adaptive pass is not part of the measure
    L10n l10n = L10n::builtIn();
    std::unique_ptr<ScreenGeo> geo;
    std::unique_ptr<AX> ax;
    std::unique_ptr<Arranger> arranger;
    std::unique_ptr<WindowManager> manager;
    std::map<xcb_window_t, Rect> targets;
    std::map<xcb_window_t, x11::Extents> extents;
};

Scene& scene() {
    static Scene s;
    return s;
}

void quendaTile(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        state.PauseTiming();
        s.scatter();
        state.ResumeTiming();
        s.manager->tile(Layout::auto_);  // the moves are sent and waited for at once
        s.waitForCells(s.targets);
    }
}

void wmctrlLoop(benchmark::State& state) {
    Scene& s = scene();
    const std::string display = "DISPLAY=" + s.display->name().toStdString();
    for (auto _ : state) {
        state.PauseTiming();
        s.scatter();
        state.ResumeTiming();
        for (xcb_window_t w : s.windows) {
            const Rect& f = s.targets[w];
            const x11::Extents& e = s.extents[w];
            // wmctrl takes the frame's position and the client's size with gravity 0, which
            // for these north-west windows is the frame's corner.
            std::string id = std::to_string(w);
            std::string geometry = "0," + std::to_string(int(f.x)) + "," +
                                   std::to_string(int(f.y)) + "," +
                                   std::to_string(int(f.width - e.left - e.right)) + "," +
                                   std::to_string(int(f.height - e.top - e.bottom));
            std::vector<char*> argv{const_cast<char*>("wmctrl"),
                                    const_cast<char*>("-i"),
                                    const_cast<char*>("-r"),
                                    id.data(),
                                    const_cast<char*>("-e"),
                                    geometry.data(),
                                    nullptr};
            std::vector<std::string> envs{display};
            for (char** e2 = environ; *e2; ++e2)
                if (std::strncmp(*e2, "DISPLAY=", 8) != 0) envs.emplace_back(*e2);
            std::vector<char*> env;
            for (auto& v : envs) env.push_back(v.data());
            env.push_back(nullptr);
            pid_t pid = -1;
            posix_spawnp(&pid, "wmctrl", nullptr, nullptr, argv.data(), env.data());
            waitpid(pid, nullptr, 0);
        }
        s.waitFor(s.targets);
    }
}

void xcbFloor(benchmark::State& state) {
    Scene& s = scene();
    for (auto _ : state) {
        state.PauseTiming();
        s.scatter();
        state.ResumeTiming();
        s.send(s.targets);
        s.waitFor(s.targets);
    }
}

}  // namespace

BENCHMARK(quendaTile)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(wmctrlLoop)->Unit(benchmark::kMillisecond)->Iterations(30);
BENCHMARK(xcbFloor)->Unit(benchmark::kMillisecond)->Iterations(30);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
