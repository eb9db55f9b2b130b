#include <gtest/gtest.h>

#include "app/ActionDispatch.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda {
namespace {

struct Shell {
    Shell()
        : desktop("1000x800+0+0,1000x800+1000+0"),
          prefs(defaults),
          geo(desktop, prefs),
          ax(desktop),
          wm({ax, geo, desktop, prefs, hud, clock}),
          dispatch({wm, hud, [](HotKeyAction a) {
                        return QStringLiteral("title-%1").arg(static_cast<int>(a));
                    }}) {
        defaults.setValue("gap", int64_t{0});
        id = desktop.open(101, "Editor", "doc", {100, 100, 400, 300});
        desktop.focus(id);
    }
    SimDesktop desktop;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
    AX ax;
    SimHud hud;
    VirtualClock clock;
    WindowManager wm;
    ActionDispatch dispatch;
    uint64_t id = 0;
};

TEST(ActionDispatch, EveryCommandReachesItsOperation) {
    using A = HotKeyAction;
    const std::map<A, Rect> moves{
        {A::winLeft, {0, 0, 500, 800}},       {A::winRight, {500, 0, 500, 800}},
        {A::winTop, {0, 0, 1000, 400}},       {A::winBottom, {0, 400, 1000, 400}},
        {A::winMaximize, {0, 0, 1000, 800}},  {A::winCenter, {150, 64, 700, 672}},
        {A::winMaxCenter, {0, 0, 1000, 800}}, {A::winNextScreen, {1100, 100, 400, 300}},
    };
    for (int i = 0; i < kHotKeyActionCount; ++i) {
        const auto action = static_cast<A>(i);
        Shell s;
        s.dispatch.execute(action);
        if (auto it = moves.find(action); it != moves.end()) {
            EXPECT_EQ(s.desktop.window(s.id).frame, it->second) << i;
            if (action == A::winMaxCenter)
                EXPECT_EQ(s.hud.last(), "Maximizada");
            else
                EXPECT_TRUE(s.hud.messages.empty()) << i;
        } else {
            EXPECT_EQ(s.desktop.window(s.id).frame, (Rect{100, 100, 400, 300})) << i;
            EXPECT_EQ(s.hud.messages,
                      (std::vector<SimHud::Message>{
                          {QStringLiteral("«title-%1» aún no está disponible").arg(i), 1.6}}));
        }
    }
}

}  // namespace
}  // namespace quenda
