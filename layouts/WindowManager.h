#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QVariantList>

#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "layouts/Layout.h"
#include "layouts/Snap.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"

namespace quenda {

// The program's window-layout object: single-window snaps, tiling a screen into a layout,
// and the mosaic commands that rearrange the last tiling. Each command computes a plan and
// hands it to the arranger, which also remembers the last tiling.
class WindowManager {
  public:
    struct Services {
        AX& ax;
        ScreenGeo& geo;
        Screens& screens;
        Prefs& prefs;
        Hud& hud;
        Clock& clock;
        Arranger& arranger;
        const L10n& l10n;
    };
    explicit WindowManager(Services services) : s_(std::move(services)), timers_(s_.clock) {}
    WindowManager(const WindowManager&) = delete;
    WindowManager& operator=(const WindowManager&) = delete;

    void snap(Snap snap);
    void toggleMaximizeCenter();
    void moveToNextScreen();

    void tile(Layout layout);
    void rotate();
    void promoteFocused();

    struct LastSnap {
        Snap snap;
        int index;
        double time;
    };
    const std::optional<LastSnap>& lastSnap() const { return lastSnap_; }
    // The windows of the last tiling, as the mosaic commands see them.
    std::vector<AXWindow> lastTiled() const;

    static constexpr double kRepeatWindow = 2.0;
    static constexpr double kToggleTolerance = 24;
    static constexpr double kAdaptiveDelay = 0.05;
    static constexpr int kAdaptiveAttempts = 2;
    static constexpr double kFixedWidthTolerance = 16;
    static constexpr double kRowTolerance = 0.001;
    static constexpr double kLeastFreeWidth = 120;

  private:
    struct Focused {
        AXWindow window;
        Rect frame;
    };
    // The guard, then the focused window with a readable frame; nothing means stop.
    std::optional<Focused> commonStart();
    std::optional<ScreenInfo> screenFor(const Rect& frame);
    QString text(const QString& key, const QVariantList& args = {}) const;
    void say(const QString& message) const { s_.hud.show(message, kMessageDuration); }

    // Moves one window.
    void place(const AXWindow& window, const Rect& frame);

    // One placed window of a tiling, as the adaptive width pass sees it.
    struct TileSlot {
        AXWindow window;
        Rect unit;
        Rect target;
        double expectedWidth;
    };
    struct LiveSlot {
        size_t index;
        TileSlot slot;
        Rect frame;
        bool isFixed;
    };
    std::optional<ScreenInfo> tileScreen();
    void scheduleAdaptiveWidthPass(std::vector<TileSlot> plan, const Rect& usable);
    void scheduleAdaptivePass(std::vector<TileSlot> placed, const Rect& usable, int attempt);
    void adaptiveWidthPass(std::vector<TileSlot> placed, const Rect& usable, int attempt);
    // The windows of the last tiling whose frames read, with those frames, in slot order.
    std::vector<VisibleWindow> liveTiled() const;

    Services s_;
    std::optional<LastSnap> lastSnap_;
    OwnedTimers timers_;
};

}  // namespace quenda
