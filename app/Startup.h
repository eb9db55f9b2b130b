#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <QVariantList>

#include "core/AX.h"
#include "core/Prefs.h"
#include "hotkeys/HotKeyAction.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"

namespace quenda {

// The start-up sequence, in its fixed order. Steps of subsystems that are not part of this
// build are left empty and skipped.
struct StartupSteps {
    std::function<void()> installMainMenuShortcuts;
    std::function<void()> startTrackingExternalApps;
    std::function<void()> createStatusItem;
    std::function<void()> registerHotKeys;
    std::function<void()> startCornerButton;
    std::function<void()> startClipboard;
    std::function<void()> loadShelf;
    // The dashboard's guides, on the first start without the permission. True when they
    // were shown: only then are they used up.
    std::function<bool()> showOnboarding;
    std::function<void()> silentUpdateCheck;
};

struct StartupContext {
    AX& ax;
    Prefs& prefs;
    Hud& hud;
    Clock& clock;
    std::function<QString(const QString& key, const QVariantList& args)> format;
    std::function<std::optional<QString>(HotKeyAction)> shortcut;
};

void runStartup(const StartupContext& context, const StartupSteps& steps);

inline constexpr double kReadyMessageDuration = 2.6;
inline constexpr double kOnboardingDelay = 0.6;
inline constexpr double kUpdateCheckDelay = 4.0;

}  // namespace quenda
