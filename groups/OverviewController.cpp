#include "groups/OverviewController.h"

namespace quenda {

void OverviewController::toggle() {
    if (isOpen())
        close();
    else
        show();
}

void OverviewController::show() {
    if (isOpen()) return;
    if (!s_.store.ax.guard(s_.store.hud, s_.store.l10n)) return;
    auto screen = s_.geo.screenUnderMouse();
    if (!screen) screen = s_.screens.mainScreen();
    if (!screen) return;
    close();  // a hidden leftover
    store_ = std::make_unique<OverviewStore>(s_.store, *screen);
    store_->load();
    surface_ = s_.makeSurface(*store_);
    if (surface_) surface_->present(*screen);
}

void OverviewController::close() {
    if (surface_) surface_->dismiss();
    surface_.reset();
    store_.reset();
}

void OverviewController::start() {
    if (!store_ || !store_->apply()) return;
    close();
    Groups& groups = s_.store.groups;
    timers_.after(kShowFirstGroupDelay, [&groups] { groups.show(0); });
}

}  // namespace quenda
