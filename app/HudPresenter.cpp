#include "app/HudPresenter.h"

#include <algorithm>

#include <QThread>

namespace quenda {

HudPresenter::HudPresenter(SurfaceFactory makeSurface, const ScreenGeo& geo, Clock& clock)
    : makeSurface_(std::move(makeSurface)), geo_(geo), timers_(clock) {}

HudPresenter::HudPresenter(HudSurface& surface, const ScreenGeo& geo, Clock& clock)
    : HudPresenter(SurfaceFactory(), geo, clock) {
    surface_ = &surface;
}

HudPresenter::~HudPresenter() = default;

Rect HudPresenter::frameFor(double textWidth, const std::optional<ScreenInfo>& screen) {
    const Rect area = screen ? screen->visibleFrame : kNoScreenFrame;
    // The cap is applied last: on a very narrow screen it wins over the minimum.
    const double width =
        std::min(std::max(textWidth + kTextPadding, kMinWidth), area.width - kScreenMargin);
    return {area.minX() + area.width / 2 - width / 2, area.maxY() - kAboveBottom - kHeight, width,
            kHeight};
}

void HudPresenter::show(const QString& message, double duration) {
    if (QThread::currentThread() == mainThread_.thread()) {
        showNow(message, duration);
        return;
    }
    // Queued on an object the presenter owns: if the presenter is gone first, Qt drops it.
    QMetaObject::invokeMethod(
        &mainThread_, [this, message, duration] { showNow(message, duration); },
        Qt::QueuedConnection);
}

void HudPresenter::showNow(const QString& message, double duration) {
    if (!surface_ && makeSurface_) {
        ownSurface_ = makeSurface_();
        surface_ = ownSurface_.get();
    }
    if (!surface_) return;

    surface_->setText(message);
    surface_->setFrame(frameFor(surface_->naturalTextWidth(message), geo_.screenUnderMouse()));
    surface_->setAlpha(1);
    surface_->orderFront();
    scheduleFade(duration);
}

void HudPresenter::scheduleFade(double duration) {
    const uint64_t generation = ++fadeGeneration_;  // cancels the pending fade
    timers_.after(duration, [this, generation] {
        if (fadeGeneration_ == generation) fadeOut();
    });
}

void HudPresenter::fadeOut() {
    surface_->animateAlpha(0, kFadeSeconds, timers_.bind([this] {
        // A message shown during the fade set alpha back to 1 and must stay.
        if (surface_->alpha() == 0) surface_->orderOut();
    }));
}

}  // namespace quenda
