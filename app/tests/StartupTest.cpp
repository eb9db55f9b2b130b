#include <gtest/gtest.h>

#include "app/Startup.h"
#include "core/L10n.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda {
namespace {

struct Boot {
    Boot() : prefs(defaults), ax(desktop) {
        const auto record = [this](const char* name) {
            return [this, name] { log.push_back(name); };
        };
        steps = {record("menu"),
                 record("tracking"),
                 record("status item"),
                 record("hot keys"),
                 record("corner"),
                 record("clipboard"),
                 record("shelf"),
                 [this] {
                     log.push_back("onboarding");
                     return guidesShown;
                 },
                 record("update check")};
    }
    void run() {
        runStartup({ax, prefs, hud, clock,
                    [this](const QString& key, const QVariantList& args) {
                        return l10n.format(key, args);
                    },
                    [this](HotKeyAction a) -> std::optional<QString> {
                        if (a == HotKeyAction::layoutAuto && layoutAutoBound)
                            return QStringLiteral("⌃⌥1");
                        if (a == HotKeyAction::bridgeMark && bridgeMarkBound)
                            return QStringLiteral("⌥⇧1");
                        return std::nullopt;
                    }},
                   steps);
    }
    SimDesktop desktop;
    SimDefaults defaults;
    Prefs prefs;
    AX ax;
    SimHud hud;
    VirtualClock clock;
    L10n l10n = L10n::builtIn();
    StartupSteps steps;
    std::vector<std::string> log;
    bool layoutAutoBound = true, bridgeMarkBound = true;
    bool guidesShown = true;
};

TEST(Startup, RunsItsStepsInOrderThenGreetsAndChecksForUpdatesLater) {
    Boot b;
    b.run();
    EXPECT_EQ(b.log, (std::vector<std::string>{"menu", "tracking", "status item", "hot keys",
                                               "corner", "clipboard", "shelf"}));
    EXPECT_EQ(
        b.hud.messages,
        (std::vector<SimHud::Message>{{"Quenda lista · ⌃⌥1 organiza · ⌥⇧1 marca destino", 2.6}}));
    b.clock.advance(3.99);
    EXPECT_EQ(b.log.size(), 7u);
    b.clock.advance(0.01);
    EXPECT_EQ(b.log.back(), "update check");
}

TEST(Startup, UnboundShortcutsReadAsDashboard) {
    Boot b;
    b.layoutAutoBound = b.bridgeMarkBound = false;
    b.run();
    EXPECT_EQ(b.hud.last(), "Quenda lista · Dashboard organiza · Dashboard marca destino");
}

TEST(Startup, WithoutPermissionPromptsEveryTimeButShowsTheGuidesOnce) {
    Boot b;
    b.desktop.trusted = false;
    b.run();
    EXPECT_TRUE(b.hud.messages.empty());
    EXPECT_EQ(b.desktop.trustRequests, 1);
    b.clock.advance(0.59);
    EXPECT_EQ(b.log.back(), "shelf");
    EXPECT_FALSE(b.prefs.get(settings::didShowAccessibilityOnboarding));
    b.clock.advance(0.01);
    EXPECT_EQ(b.log.back(), "onboarding");
    EXPECT_TRUE(b.prefs.get(settings::didShowAccessibilityOnboarding));

    b.log.clear();
    b.run();  // the next start, same settings
    b.clock.advance(5);
    EXPECT_EQ(b.desktop.trustRequests, 2);
    EXPECT_EQ(std::count(b.log.begin(), b.log.end(), "onboarding"), 0);
}

// The guides are used up only by being shown: a start that could not show them (nothing to
// show them with, or it failed) leaves them for the next start.
TEST(Startup, GuidesNotShownAreNotUsedUp) {
    Boot b;
    b.desktop.trusted = false;
    b.guidesShown = false;
    b.run();
    b.clock.advance(5);
    EXPECT_FALSE(b.prefs.get(settings::didShowAccessibilityOnboarding));

    b.steps.showOnboarding = nullptr;
    b.run();
    b.clock.advance(5);
    EXPECT_FALSE(b.prefs.get(settings::didShowAccessibilityOnboarding));

    b.guidesShown = true;
    b.steps.showOnboarding = [&b] { return b.guidesShown; };
    b.run();
    b.clock.advance(5);
    EXPECT_TRUE(b.prefs.get(settings::didShowAccessibilityOnboarding));
}

}  // namespace
}  // namespace quenda
