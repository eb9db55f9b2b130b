#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QVariantList>

#include "core/AX.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "layouts/Layout.h"
#include "layouts/Snap.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"

namespace quenda {

// The program's window-layout object: single-window snaps, tiling a screen into a layout,
// and the mosaic commands that rearrange the last tiling through `lastTiled`.
class WindowManager {
  public:
    struct Services {
        AX& ax;
        ScreenGeo& geo;
        Screens& screens;
        Prefs& prefs;
        Hud& hud;
        Clock& clock;
        const L10n& l10n;
    };
    explicit WindowManager(Services services) : s_(std::move(services)) {}
    // Scheduled passes hold the manager weakly through `alive_`; a copy would share it.
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
    std::vector<AXWindow> lastTiled;

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
    void scheduleAdaptivePass(std::vector<TileSlot> plan, const Rect& usable, int attempt);
    void adaptiveWidthPass(std::vector<TileSlot> plan, const Rect& usable, int attempt);
    // The windows of `lastTiled` whose position and size both read, in slot order.
    std::vector<AXWindow> liveTiled() const;
    // Position and size read back together; nothing when either read fails.
    static std::optional<Rect> frameOf(const AXWindow& window);

    Services s_;
    std::optional<LastSnap> lastSnap_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
