#include "app/Startup.h"

namespace quenda {

namespace {
void step(const std::function<void()>& f) {
    if (f) f();
}
}  // namespace

void runStartup(const StartupContext& c, const StartupSteps& s) {
    step(s.installMainMenuShortcuts);
    step(s.startTrackingExternalApps);
    step(s.createStatusItem);
    step(s.registerHotKeys);
    step(s.startCornerButton);
    step(s.startClipboard);
    step(s.loadShelf);

    if (c.ax.server().isTrusted()) {
        const auto label = [&](HotKeyAction a) {
            return c.shortcut(a).value_or(c.format(QStringLiteral("shortcut_none_dashboard"), {}));
        };
        c.hud.show(c.format(QStringLiteral("hud_ready"),
                            {label(HotKeyAction::layoutAuto), label(HotKeyAction::bridgeMark)}),
                   kReadyMessageDuration);
    } else {
        // The prompt comes at every start without the permission; the guides only once.
        c.ax.server().requestTrust();
        // A start that has nothing to show them with (no dashboard in this build) leaves
        // them for a later start.
        if (!c.prefs.get(settings::didShowAccessibilityOnboarding) && s.showOnboarding) {
            c.clock.after(kOnboardingDelay, [&prefs = c.prefs, show = s.showOnboarding] {
                if (show()) prefs.set(settings::didShowAccessibilityOnboarding, true);
            });
        }
    }
    if (s.silentUpdateCheck) c.clock.after(kUpdateCheckDelay, s.silentUpdateCheck);
}

}  // namespace quenda
