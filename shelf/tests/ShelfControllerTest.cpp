#include <gtest/gtest.h>

#include "core/Prefs.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"
#include "shelf/ShelfController.h"

namespace quenda {
namespace {

// A panel that remembers what it was told.
struct FakePanel : ShelfPanelSurface {
    bool shown = false;
    std::optional<Rect> frame;
    int fronts = 0;
    bool isShown() const override { return shown; }
    void orderFront() override {
        shown = true;
        ++fronts;
    }
    void orderOut() override { shown = false; }
    void setFrame(const Rect& f) override { frame = f; }
};

struct ControllerDesk {
    SimDesktop desktop{QStringLiteral("1440x900+0+0,1920x1080+1440+0")};
    SimDefaults defaults;
    Prefs prefs{defaults};
    ScreenGeo geo{desktop, prefs};
    FakePanel* panel = nullptr;
    int built = 0;
    ShelfController controller{[this](ShelfController&) {
                                   ++built;
                                   auto p = std::make_unique<FakePanel>();
                                   panel = p.get();
                                   return p;
                               },
                               geo, prefs};
};

TEST(ShelfControllerTest, BuildsOnFirstUseAtTheRightOfTheScreenUnderThePointer) {
    ControllerDesk d;
    d.desktop.setPointer({2000, 500});
    EXPECT_FALSE(d.controller.isBuilt());
    d.controller.toggle();
    ASSERT_TRUE(d.panel);
    EXPECT_TRUE(d.panel->shown);
    // The second screen is 1920 wide from x 1440: 20 pixels from its right edge, centred.
    EXPECT_EQ(d.panel->frame, (Rect{1440 + 1920 - 310, 540 - 210, 290, 420}));
    d.controller.toggle();
    EXPECT_FALSE(d.panel->shown);
    d.controller.toggle();
    d.controller.bringToFront();  // already shown: stays shown
    EXPECT_TRUE(d.panel->shown);
    EXPECT_EQ(d.built, 1);
}

TEST(ShelfControllerTest, ComesBackWhereTheUserLeftIt) {
    ControllerDesk d;
    d.controller.frameChanged({100.4, 50, 300, 500});
    EXPECT_EQ(d.prefs.get(settings::shelfFrame), QStringLiteral("100,50,300,500"));
    d.controller.bringToFront();
    EXPECT_EQ(d.panel->frame, (Rect{100, 50, 300, 500}));
}

TEST(ShelfControllerTest, APlaceOnAMonitorThatWentAwayMeansTheFirstPlace) {
    ControllerDesk d;
    d.controller.frameChanged({2000, 300, 290, 420});  // on the second monitor
    d.desktop.setMonitors(QStringLiteral("1440x900+0+0"));
    d.desktop.setPointer({100, 100});
    d.controller.bringToFront();
    EXPECT_EQ(d.panel->frame, (Rect{1440 - 310, 450 - 210, 290, 420}));
}

TEST(ShelfControllerTest, AnUnreadableSavedFrameMeansTheFirstPlace) {
    for (const char* text : {"", "1,2,3", "a,b,c,d", "0,0,10,10", "0,0,300,200", "1,2,3,4,5"}) {
        ControllerDesk d;
        d.prefs.set(settings::shelfFrame, QString::fromLatin1(text));
        d.controller.bringToFront();
        EXPECT_EQ(d.panel->frame, ShelfController::initialFrame(d.geo.screenUnderMouse())) << text;
    }
    EXPECT_EQ(ShelfController::initialFrame(std::nullopt), (Rect{890, 190, 290, 420}));
}

TEST(ShelfControllerTest, WithoutAPanelNothingHappens) {
    ControllerDesk d;
    ShelfController none([](ShelfController&) { return nullptr; }, d.geo, d.prefs);
    none.toggle();
    none.bringToFront();
    EXPECT_FALSE(none.isBuilt());
}

}  // namespace
}  // namespace quenda
