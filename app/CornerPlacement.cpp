#include "app/CornerPlacement.h"

#include <algorithm>

namespace quenda {

using namespace corner;

CornerPlacement placeCornerButton(const Rect& w, const std::optional<Rect>& visibleFrame,
                                  CornerSide side, const TitleBarButtons& buttons) {
    const double screenTop = visibleFrame ? visibleFrame->minY() : kNoScreenTop;
    const double screenLeft = visibleFrame ? visibleFrame->minX() : 0;

    double buttonX = 0;
    double zoneX = 0;
    double zoneW = 0;
    if (side == CornerSide::right) {
        buttonX = w.maxX() - kRightInset;
        zoneX = w.maxX() - kRightZoneWidth;
        zoneW = kRightZoneWidth;
    } else {
        const double closeLeft = buttons.close ? buttons.close->minX() : w.minX() + kCloseOffset;
        const double zoomRight = buttons.zoom ? buttons.zoom->maxX() : w.minX() + kZoomRightOffset;
        // Centred over the title-bar buttons, never closer than 8 pixels to the window's
        // left edge and never past the zoom button's right edge.
        buttonX = std::min(
            zoomRight - kButtonWidth,
            std::max((closeLeft + zoomRight) / 2 - kButtonWidth / 2, w.minX() + kMinLeftInset));
        zoneX = w.minX();
        zoneW = std::max(zoomRight - w.minX() + 2, 70.0);
    }

    const double above = w.minY() - kAboveGap;
    CornerPlacement p;
    if (screenTop + 1 <= above) {
        p.shape = CornerPlacement::Shape::aboveTitleBar;
        p.button = {roundHalfAway(buttonX), roundHalfAway(above), kButtonWidth, kButtonHeight};
        p.hoverZone = {zoneX, above - 6, zoneW, 47};
    } else if (side == CornerSide::left && screenLeft <= w.minX() - 22) {
        const double centre = buttons.close ? buttons.close->minY() + buttons.close->height / 2
                                            : w.minY() + kButtonCentreY;
        p.shape = CornerPlacement::Shape::leftOfWindow;
        p.button = {roundHalfAway(w.minX() - 20), roundHalfAway(centre - 12), kSideWidth,
                    kSideHeight};
        p.hoverZone = {w.minX() - 24, w.minY(), zoneW + 24, 30};
    } else {
        // Over the title bar itself the capsule would cover the window menu button that X11
        // window managers put at its left end (xfwm4's is as wide as the title bar is high):
        // without the buttons' frames it takes the far end of the buttons' usual place.
        if (side == CornerSide::left && !buttons.close && !buttons.zoom)
            buttonX = w.minX() + kZoomRightOffset - kButtonWidth;
        const double y0 = std::max(w.minY(), screenTop) + 1;
        p.shape = CornerPlacement::Shape::insideTitleBar;
        p.button = {roundHalfAway(buttonX), roundHalfAway(y0), kButtonWidth, kInsideHeight};
        p.hoverZone = {zoneX, std::max(y0 - 12, 0.0), zoneW, 48};
    }
    return p;
}

Rect placePalette(const Rect& button, const Size& size, const std::vector<ScreenInfo>& screens) {
    double x = button.minX() - kPaletteOffset;
    double y = button.maxY() + kPaletteOffset;
    // The screen holding the button's bottom-left corner; its left and top edges count.
    const Point corner{button.minX(), button.maxY()};
    for (const ScreenInfo& s : screens) {
        const Rect& f = s.frame;
        if (corner.x < f.minX() || corner.x >= f.maxX() || corner.y < f.minY() ||
            corner.y >= f.maxY())
            continue;
        const Rect& v = s.visibleFrame;
        x = std::min(std::max(x, v.minX() + kPaletteMargin),
                     v.maxX() - size.width - kPaletteMargin);
        y = std::min(y, v.maxY() - size.height - kPaletteMargin);
        break;
    }
    return {x, y, size.width, size.height};
}

}  // namespace quenda
