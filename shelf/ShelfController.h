#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QString>

#include "core/Geometry.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"

namespace quenda {

// What the shelf is drawn in: a small utility window that floats above other windows and
// never takes the focus from the user's application when it appears. Frames are in the
// desktop's coordinates (the primary monitor's top-left is the origin). Main thread only.
class ShelfPanelSurface {
  public:
    virtual ~ShelfPanelSurface() = default;
    virtual bool isShown() const = 0;
    // Shows the panel above other windows without activating it.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual void setFrame(const Rect& frame) = 0;
};

// Owns the shelf's panel: built on first use, then only hidden and shown, in the place the
// user left it (kept in the settings), at first at the right of the screen under the pointer
// (and again when the place left is on no screen any more).
class ShelfController {
  public:
    using PanelFactory = std::function<std::unique_ptr<ShelfPanelSurface>(ShelfController&)>;

    ShelfController(PanelFactory makePanel, const ScreenGeo& geo, Prefs& prefs)
        : makePanel_(std::move(makePanel)), geo_(geo), prefs_(prefs) {}

    // Hides the panel when it is shown; otherwise shows it, building it first when needed.
    void toggle();
    // Shows the panel in front, building it first when needed.
    void bringToFront();
    bool isBuilt() const { return panel_ != nullptr; }
    ShelfPanelSurface* panel() const { return panel_.get(); }

    // The panel reports where the user moved or resized it; kept for the next run.
    void frameChanged(const Rect& frame);

    // Where the panel goes on first use: 20 pixels from the right edge of the screen's free
    // area, centred vertically (the fallback area without a screen).
    static Rect initialFrame(const std::optional<ScreenInfo>& screen);
    // "x,y,width,height" in whole pixels, and back; nothing for anything else or a size
    // under the panel's minimum.
    static QString frameText(const Rect& frame);
    static std::optional<Rect> frameFromText(const QString& text);

    static constexpr double kWidth = 290;
    static constexpr double kHeight = 420;
    static constexpr double kMinWidth = 240;
    static constexpr double kMinHeight = 260;
    static constexpr double kRightMargin = 20;
    static constexpr Rect kNoScreenFrame{0, 0, 1200, 800};

  private:
    bool build();

    PanelFactory makePanel_;
    const ScreenGeo& geo_;
    Prefs& prefs_;
    std::unique_ptr<ShelfPanelSurface> panel_;
};

}  // namespace quenda
