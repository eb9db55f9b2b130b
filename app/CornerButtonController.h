#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "app/CornerPlacement.h"
#include "app/PaletteContent.h"
#include "core/AX.h"
#include "core/Prefs.h"
#include "platform/ports/Clock.h"
#include "platform/ports/FocusWatch.h"
#include "platform/ports/Screens.h"

namespace quenda {

// A small window that floats above the others and never takes the keyboard focus nor
// activates this program, even when clicked: the corner button and its palette are drawn in
// one each. Frames are in window coordinates. Main thread only.
class FloatingSurface {
  public:
    virtual ~FloatingSurface() = default;
    virtual bool isShown() const = 0;
    // Shows it above other windows without activating anything.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual void setFrame(const Rect& frame) = 0;
    virtual Rect frame() const = 0;
    // The size its content wants.
    virtual Size fittingSize() const { return frame().size(); }
};

// The corner button: a capsule riding on the focused window's title bar, shown, moved and
// hidden whenever the focus watch reports a change (never on a timer), and the palette of
// commands it opens. The commands act on the window that was focused, because neither the
// button nor the palette takes the focus. Settings are read at every change.
class CornerButtonController {
  public:
    using SurfaceFactory = std::function<std::unique_ptr<FloatingSurface>()>;
    struct Services {
        const AX& ax;
        Screens& screens;
        const Prefs& prefs;
        Clock& clock;
        FocusWatch& watch;
        SurfaceFactory makeButton;
        SurfaceFactory makePalette;
        // Carries out a chosen palette action.
        std::function<void(const PaletteAction&)> run;
        // Whether a point lies on one of this program's own windows (a press there leaves
        // the palette open); none: only the button and the palette count.
        std::function<bool(const Point&)> ownWindowAt = {};
    };

    explicit CornerButtonController(Services services)
        : s_(std::move(services)), timers_(s_.clock) {}

    // Starts following the focus watch, and places the button for the window focused now.
    void start();
    // Places, shows or hides the button for the focused window, as the settings say.
    void tick();

    // A click on the button: opens the palette, or closes it when it is open.
    void buttonClicked();
    void openPalette();
    void closePalette();
    // Closes the palette, then runs the action once it has gone.
    void choose(const PaletteAction& action);

    bool paletteShown() const { return palette_ && palette_->isShown(); }
    bool buttonShown() const { return button_ && button_->isShown(); }
    FloatingSurface* button() const { return button_.get(); }
    FloatingSurface* palette() const { return palette_.get(); }
    // Where the button goes for the window focused now; none when it gets no button.
    std::optional<CornerPlacement> placementForFocusedWindow() const;

  private:
    void show(const Rect& frame);
    void hideButton();
    bool pointerInside(const CornerPlacement& placement) const;
    void pressed();

    Services s_;
    OwnedTimers timers_;
    std::unique_ptr<FloatingSurface> button_;
    std::unique_ptr<FloatingSurface> palette_;
};

}  // namespace quenda
