#pragma once

#include <optional>
#include <vector>

#include "core/AX.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "layouts/Snap.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"

namespace quenda {

// The program's window-layout object: single-window snaps now; tiling and the mosaic
// commands share its `lastTiled`.
class WindowManager {
  public:
    struct Services {
        AX& ax;
        ScreenGeo& geo;
        Screens& screens;
        Prefs& prefs;
        Hud& hud;
        Clock& clock;
    };
    explicit WindowManager(Services services) : s_(services) {}

    void snap(Snap snap);
    void toggleMaximizeCenter();
    void moveToNextScreen();

    struct LastSnap {
        Snap snap;
        int index;
        double time;
    };
    const std::optional<LastSnap>& lastSnap() const { return lastSnap_; }
    std::vector<AXWindow> lastTiled;

    static constexpr double kRepeatWindow = 2.0;
    static constexpr double kToggleTolerance = 24;
    static constexpr double kMessageDuration = 1.6;

  private:
    struct Focused {
        AXWindow window;
        Rect frame;
    };
    // The guard, then the focused window with a readable frame; nothing means stop.
    std::optional<Focused> commonStart();
    std::optional<ScreenInfo> screenFor(const Rect& frame);

    Services s_;
    std::optional<LastSnap> lastSnap_;
};

}  // namespace quenda
