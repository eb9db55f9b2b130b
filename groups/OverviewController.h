#pragma once

#include <functional>
#include <memory>

#include "core/AX.h"
#include "core/ScreenGeo.h"
#include "groups/OverviewStore.h"
#include "platform/ports/Clock.h"

namespace quenda {

// What the organiser is drawn in: a full-screen window over one screen, drawn from the store.
// Main thread only.
class OverviewSurface {
  public:
    virtual ~OverviewSurface() = default;
    virtual bool isShown() const = 0;
    // Covers the screen's whole frame and takes the keyboard.
    virtual void present(const ScreenInfo& screen) = 0;
    virtual void dismiss() = 0;
};

// Opens and closes the organiser. A new store is made for every opening and dropped when it
// closes; the groups change only when the user starts.
class OverviewController {
  public:
    // Makes the window for a store; its callbacks are `start` and `close`.
    using SurfaceFactory = std::function<std::unique_ptr<OverviewSurface>(OverviewStore&)>;
    struct Services {
        OverviewStore::Services store;
        ScreenGeo& geo;
        Screens& screens;
        Clock& clock;
        SurfaceFactory makeSurface;
    };
    explicit OverviewController(Services services) : s_(std::move(services)), timers_(s_.clock) {}
    OverviewController(const OverviewController&) = delete;
    OverviewController& operator=(const OverviewController&) = delete;

    // Closes the organiser when it is shown, else opens it.
    void toggle();
    void show();
    void close();
    // "Empezar ▶": hands the groups over, closes, and shows the first group a moment later;
    // with no grouped window the organiser stays open.
    void start();

    bool isOpen() const { return surface_ && surface_->isShown(); }
    OverviewStore* store() const { return store_.get(); }

    // How long after closing the first group is shown, in seconds.
    static constexpr double kShowFirstGroupDelay = 0.2;

  private:
    Services s_;
    // The window is dropped first (see `close`), while the store it draws still lives.
    std::unique_ptr<OverviewStore> store_;
    std::unique_ptr<OverviewSurface> surface_;
    OwnedTimers timers_;
};

}  // namespace quenda
