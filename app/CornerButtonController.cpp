#include "app/CornerButtonController.h"

#include "core/ScreenGeo.h"
#include "core/Settings.h"

namespace quenda {

namespace {

// Left and top edges inside, right and bottom ones outside.
bool contains(const Rect& r, const Point& p) {
    return p.x >= r.minX() && p.x < r.maxX() && p.y >= r.minY() && p.y < r.maxY();
}

}  // namespace

void CornerButtonController::start() {
    s_.watch.setHandlers({.changed = timers_.bind([this] { tick(); }),
                          .pointerMoved = timers_.bind([this] { tick(); }),
                          .pressed = timers_.bind([this] { pressed(); })});
    tick();
}

std::optional<CornerPlacement> CornerButtonController::placementForFocusedWindow() const {
    WindowServer& server = s_.ax.server();
    const auto front = server.frontmostPid();
    if (!front || *front == server.ownPid()) return std::nullopt;
    const auto window = s_.ax.focusedWindow();
    if (!window || window->pid() == server.ownPid() || !window->isStandard()) return std::nullopt;
    // A window gone between the report and this read, or one with no size at all, has no
    // frame worth a button.
    const auto frame = window->frame();
    if (!frame || !(frame->width > corner::kMinWindowWidth) ||
        !(frame->height > corner::kMinWindowHeight))
        return std::nullopt;
    const auto screen = ScreenGeo::screen(*frame, s_.screens.screens());
    const auto side =
        s_.prefs.get(settings::cornerButtonPosition) == 1 ? CornerSide::right : CornerSide::left;
    // The title-bar buttons belong to the window manager and cannot be read: the usual
    // offsets stand in for them.
    return placeCornerButton(
        *frame, screen ? std::optional<Rect>(screen->visibleFrame) : std::nullopt, side);
}

void CornerButtonController::tick() {
    // While the palette is open the button stays where it is.
    if (paletteShown()) return;
    const int64_t mode = s_.prefs.get(settings::cornerButtonMode);
    const bool hover = mode == 1;
    std::optional<CornerPlacement> placement;
    if (mode != 0 && s_.ax.server().isTrusted()) placement = placementForFocusedWindow();
    // The pointer is followed only while a window that could get the button has the focus.
    s_.watch.followPointer(hover && placement.has_value());
    if (!placement) return hideButton();
    if (mode == 2 || pointerInside(*placement)) return show(placement->button);
    hideButton();
}

bool CornerButtonController::pointerInside(const CornerPlacement& placement) const {
    const Point mouse = s_.screens.pointerLocation();
    if (buttonShown()) {
        const Rect grown = button_->frame().insetBy(-corner::kHoverSlack, -corner::kHoverSlack);
        if (contains(grown, mouse)) return true;
    }
    return contains(placement.hoverZone, mouse);
}

void CornerButtonController::show(const Rect& frame) {
    if (!button_) {
        button_ = s_.makeButton();
        if (!button_) return;
        button_->setFrame(frame);
    } else if (button_->frame() != frame) {
        button_->setFrame(frame);
    }
    if (!button_->isShown()) button_->orderFront();
}

void CornerButtonController::hideButton() {
    if (buttonShown()) button_->orderOut();
}

void CornerButtonController::buttonClicked() {
    if (paletteShown()) {
        closePalette();
        tick();
        return;
    }
    openPalette();
}

void CornerButtonController::openPalette() {
    if (!button_) return;
    if (!palette_) {
        palette_ = s_.makePalette();
        if (!palette_) return;
    }
    const Size size = palette_->fittingSize();
    palette_->setFrame(placePalette(button_->frame(), size, s_.screens.screens()));
    palette_->orderFront();
    s_.watch.watchPresses(true);
}

void CornerButtonController::closePalette() {
    s_.watch.watchPresses(false);
    if (paletteShown()) palette_->orderOut();
}

void CornerButtonController::pressed() {
    if (!paletteShown()) return;
    const Point mouse = s_.screens.pointerLocation();
    // Presses on the palette, the button or another window of this program leave it open.
    if (contains(palette_->frame(), mouse)) return;
    if (buttonShown() && contains(button_->frame(), mouse)) return;
    if (s_.ownWindowAt && s_.ownWindowAt(mouse)) return;
    closePalette();
    // What changed while the palette was open is caught up with now.
    tick();
}

void CornerButtonController::choose(const PaletteAction& action) {
    closePalette();
    // The palette is gone before the command acts on the focused window.
    timers_.after(corner::kRunDelay, [this, action] {
        if (s_.run) s_.run(action);
        tick();
    });
}

}  // namespace quenda
