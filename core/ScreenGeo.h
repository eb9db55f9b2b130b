#pragma once

#include <cstdint>
#include <optional>

#include "core/Geometry.h"
#include "core/Prefs.h"
#include "platform/ports/Screens.h"

namespace quenda {

// Screens and the two coordinate systems: screen coordinates (origin at the primary
// screen's bottom-left, y up) and window coordinates (origin at its top-left, y down). The
// height of the primary screen is the only link between them. Nothing is cached: screens
// that come, go or move are seen by the next call.
class ScreenGeo {
  public:
    ScreenGeo(Screens& screens, const Prefs& prefs) : screens_(screens), prefs_(prefs) {}

    static uint32_t id(const ScreenInfo& screen) { return screen.number.value_or(0); }

    // The screen holding the largest part of the rectangle; the first listed wins a tie.
    std::optional<ScreenInfo> screen(const Rect& windowRect) const;
    // The same against one reading of the screen list, for a command that asks it of many
    // windows at once.
    static std::optional<ScreenInfo> screen(const Rect& windowRect,
                                            const std::vector<ScreenInfo>& screens);
    // The screen under the pointer, else the main screen, else none.
    std::optional<ScreenInfo> screenUnderMouse() const;
    // The area windows may be laid out in.
    Rect usableFrame(const ScreenInfo& screen) const;

    // The whole-point frame of a unit cell inside an area, with a uniform gap around and
    // between cells.
    static Rect place(const Rect& unit, const Rect& area, double gap);

    static constexpr double kStageStripWidth = 120;

  private:
    Screens& screens_;
    const Prefs& prefs_;
};

}  // namespace quenda
