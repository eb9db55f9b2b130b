#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"
#include "platform/ports/Screens.h"
#include "workspaces/SavedWindow.h"

namespace quenda {

// Three workspace slots: saving records the visible windows of every screen (application,
// title, frame) into a slot of the user's settings; restoring starts the applications that
// are not running and puts each saved window back on its frame, matching windows by title.
// The slots live in the settings only; this object keeps nothing of them.
class Workspaces {
  public:
    struct Services {
        AX& ax;
        ScreenGeo& geo;
        Screens& screens;
        Prefs& prefs;
        Hud& hud;
        Clock& clock;
        Applications& apps;
        Arranger& arranger;
        const L10n& l10n;
    };
    explicit Workspaces(Services services) : s_(services), timers_(s_.clock) {}
    Workspaces(const Workspaces&) = delete;
    Workspaces& operator=(const Workspaces&) = delete;

    void save(int slot);
    void restore(int slot);
    // The slot's windows; nothing when the slot was never saved, cannot be read or holds
    // more than a slot may.
    std::optional<std::vector<SavedWindow>> load(int slot) const;

    // How long restoring waits for the applications it started before placing windows.
    static constexpr double kLaunchWait = 3.0;
    // The most windows a slot holds. A larger one (only a slot edited by hand, or a desktop
    // of thousands of windows) is refused rather than keeping the program busy for seconds.
    static constexpr size_t kMaxWindows = 1000;
    // Stored data longer than this is refused unread, so reading a slot stays quick: 1,000
    // windows take about 150 KB, and this leaves room for titles of a kilobyte each.
    static constexpr qsizetype kMaxSlotBytes = qsizetype(kMaxWindows) * 1024;
    // Windows moved in one go. More are moved a group at a time, each group a task of its own
    // on the main queue, so events and other commands are served between them.
    static constexpr size_t kWindowsPerStep = 60;

  private:
    struct Placing;
    // `load`, telling apart a slot that holds too much (`*tooLarge`).
    std::optional<std::vector<SavedWindow>> read(int slot, bool* tooLarge) const;
    void place(const std::vector<SavedWindow>& saved, int slot);
    // Carries out the frames and raises of `placing` from `next` on, one group at a time.
    void placeStep(std::shared_ptr<Placing> placing, size_t next);
    // Where a saved frame goes on `screens`: as saved when it fits the screen it overlaps
    // most, else cut to that screen (a slot edited by hand can hold any number); nothing when
    // it overlaps no screen by a positive area or is not a finite rectangle.
    static std::optional<Rect> placeable(const Rect& frame, const std::vector<ScreenInfo>& screens);
    void say(const QString& message) const { s_.hud.show(message, kMessageDuration); }

    Services s_;
    // Bumped by every placement that starts: the steps of an earlier one stop there.
    uint64_t placements_ = 0;
    OwnedTimers timers_;
};

}  // namespace quenda
