#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include <QObject>
#include <QString>

#include "core/Geometry.h"
#include "core/ScreenGeo.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"

namespace quenda {

// What the HUD draws on: a borderless panel that never takes focus and lets clicks through.
// Frames are in the desktop's coordinates (the primary monitor's top-left is the origin).
// Used on the main thread only.
class HudSurface {
  public:
    virtual ~HudSurface() = default;
    virtual void setText(const QString& text) = 0;
    // The width the text needs on one line, before any eliding.
    virtual double naturalTextWidth(const QString& text) const = 0;
    virtual void setFrame(const Rect& frame) = 0;
    // Also stops a fade in progress; the stopped fade's completion then runs at once.
    virtual void setAlpha(double alpha) = 0;
    virtual double alpha() const = 0;
    // Shows the panel above every window, without activating anything.
    virtual void orderFront() = 0;
    // `completion` runs once when the animation ends, at its end or stopped by setAlpha.
    virtual void animateAlpha(double to, double seconds, std::function<void()> completion) = 0;
    virtual void orderOut() = 0;
};

// The HUD: one short message at a time, near the bottom of the screen under the pointer,
// faded out after its duration. Every rule of showing a message lives here; the surface only
// draws. Must be created on the main thread; show() may be called from any thread.
class HudPresenter final : public Hud {
  public:
    using SurfaceFactory = std::function<std::unique_ptr<HudSurface>()>;

    // The surface is built on the first message and kept; a factory that returns nothing is
    // asked again at the next message.
    HudPresenter(SurfaceFactory makeSurface, const ScreenGeo& geo, Clock& clock);
    // A surface built by the caller, who keeps it alive as long as the presenter.
    HudPresenter(HudSurface& surface, const ScreenGeo& geo, Clock& clock);
    ~HudPresenter() override;

    void show(const QString& message, double duration) override;

    // Where a message whose text is `textWidth` wide goes on the screen (or its absence).
    static Rect frameFor(double textWidth, const std::optional<ScreenInfo>& screen);

    static constexpr double kHeight = 44;
    static constexpr double kTextPadding = 44;  // both sides together
    static constexpr double kMinWidth = 220;
    static constexpr double kScreenMargin = 80;  // both sides together
    static constexpr double kAboveBottom = 70;
    static constexpr double kFadeSeconds = 0.25;
    static constexpr Rect kNoScreenFrame{0, 0, 1200, 800};

  private:
    void showNow(const QString& message, double duration);
    void scheduleFade(double duration);
    void fadeOut();

    SurfaceFactory makeSurface_;
    const ScreenGeo& geo_;
    std::unique_ptr<HudSurface> ownSurface_;
    HudSurface* surface_ = nullptr;
    // Lives on the creating (main) thread; show() from other threads is queued on it.
    QObject mainThread_;
    // Scheduled work does nothing once the presenter is gone.
    OwnedTimers timers_;
    uint64_t fadeGeneration_ = 0;  // a pending fade only runs while this is unchanged
};

}  // namespace quenda
