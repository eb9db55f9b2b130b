// Quenda with many windows open: 30, then 300 (30 programs of 10 windows each, since an X
// server takes at most 256 clients), each on a private Xvfb + openbox of its own.
//   - listWindows: `quenda windows` run as a program, start-up included, until it exits;
//   - tileScreen: tiling the focused window's screen (the automatic layout), from the command
//     until the window manager has confirmed every frame;
//   - groupSwitch: forming groups of 4 and showing the next group, every raise step carried
//     out (the steps' 0.08 s spacing is skipped: only the work is timed).
//   build/bench/bench_x11_load
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "bench/BenchDesktop.h"
#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "groups/Groups.h"
#include "layouts/WindowManager.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/VirtualClock.h"
#include "platform/tests/PrivateDisplay.h"
#include "platform/x11/X11Desktop.h"

extern char** environ;

using namespace quenda;

namespace {

constexpr int kPerProgram = 10;

struct Scene {
    explicit Scene(int windows) {
        QString error;
        display = testing::PrivateDisplay::start(true, &error);
        if (!display) throw std::runtime_error(error.toStdString());
        for (int i = 0; i < windows / kPerProgram; ++i)
            clients.push_back(
                bench::openWindows(display->name(), kPerProgram, QStringLiteral("Load%1").arg(i)));
        testing::waitUntil([&] { return int(bench::managedWindows(display->name())) >= windows; },
                           120);
        desktop = X11Desktop::open(&error, display->name());
        if (!desktop) throw std::runtime_error(error.toStdString());
        if (!bench::waitUntilQuiet(desktop->windowServer()))
            throw std::runtime_error("the desktop did not settle");
        defaults.setValue("groupSize", int64_t{4});
        geo = std::make_unique<ScreenGeo>(desktop->screens(), prefs);
        ax = std::make_unique<AX>(desktop->windowServer());
        arranger = std::make_unique<Arranger>(desktop->windowServer(), clock);
        manager = std::make_unique<WindowManager>(WindowManager::Services{
            *ax, *geo, desktop->screens(), prefs, hud, clock, *arranger, l10n});
        groups = std::make_unique<Groups>(Groups::Services{
            *ax, *geo, prefs, hud, clock, desktop->applications(), *arranger, l10n});
    }
    ~Scene() {
        for (pid_t client : clients) bench::stopWindows(client);
    }

    // Every window to a spot of its own, so that each timed round really moves them.
    void scatter() {
        WindowPlan plan;
        int i = 0;
        for (const VisibleWindow& v : ax->orderedVisibleWindows()) {
            plan.frames.push_back({v.window.ref(), Rect{double(20 + (i * 13) % 600),
                                                        double(40 + (i * 7) % 400), 320, 220}});
            ++i;
        }
        desktop->windowServer().apply(plan);
    }

    // `quenda windows` on this display, until it exits.
    void listWindows() {
        const std::string displayVar = "DISPLAY=" + display->name().toStdString();
        std::vector<std::string> envs{displayVar};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "DISPLAY=", 8) != 0) envs.emplace_back(*e);
        std::vector<char*> env;
        for (auto& v : envs) env.push_back(v.data());
        env.push_back(nullptr);
        std::vector<char*> argv{const_cast<char*>(QUENDA_BINARY), const_cast<char*>("windows"),
                                nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        pid_t pid = -1;
        posix_spawn(&pid, QUENDA_BINARY, &quiet, nullptr, argv.data(), env.data());
        posix_spawn_file_actions_destroy(&quiet);
        waitpid(pid, nullptr, 0);
    }

    std::unique_ptr<testing::PrivateDisplay> display;
    std::vector<pid_t> clients;
    std::unique_ptr<X11Desktop> desktop;
    SimDefaults defaults;
    Prefs prefs{defaults};
    SimHud hud;
    VirtualClock clock;
    L10n l10n = L10n::builtIn();
    std::unique_ptr<ScreenGeo> geo;
    std::unique_ptr<AX> ax;
    std::unique_ptr<Arranger> arranger;
    std::unique_ptr<WindowManager> manager;
    std::unique_ptr<Groups> groups;
};

// One scene at a time: an X server holds at most 256 clients, and two desktops of 300
// windows would only slow each other down.
Scene& scene(int windows) {
    static std::unique_ptr<Scene> current;
    static int shown = 0;
    if (!current || shown != windows) {
        current.reset();
        current = std::make_unique<Scene>(windows);
        shown = windows;
    }
    return *current;
}

void listWindows(benchmark::State& state) {
    Scene& s = scene(int(state.range(0)));
    for (auto _ : state) s.listWindows();
}

void tileScreen(benchmark::State& state) {
    Scene& s = scene(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        s.scatter();
        state.ResumeTiming();
        s.manager->tile(Layout::auto_);  // sent and confirmed before it returns
        state.PauseTiming();
        s.clock.advance(1);  // the adaptive pass, untimed
        state.ResumeTiming();
    }
    // What the user was told, once: how many windows the tiling took.
    std::fprintf(stderr, "tiling %d windows: %s\n", int(state.range(0)), qPrintable(s.hud.last()));
}

void groupSwitch(benchmark::State& state) {
    Scene& s = scene(int(state.range(0)));
    s.groups->autoGroup(false);
    for (auto _ : state) {
        s.groups->showNext();
        s.clock.advance(60);  // every raise step, without its spacing
    }
    state.counters["groups"] = double(s.groups->groups().size());
}

}  // namespace

// All of 30 windows first, then all of 300: each desktop is built once.
BENCHMARK(listWindows)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(tileScreen)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(groupSwitch)->Arg(30)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(listWindows)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(tileScreen)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(groupSwitch)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
