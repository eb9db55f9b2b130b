#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "core/AX.h"
#include "core/Arranger.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/ScreenGeo.h"
#include "groups/GroupWindow.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"

namespace quenda {

// The user's window groups: an ordered list of groups of other applications' windows and the
// group last shown. Switching to a group brings its applications back, tiles its windows on
// the screen under the pointer and raises them so the group's first window ends in front.
// Nothing of it is kept between runs.
class Groups {
  public:
    struct Services {
        AX& ax;
        ScreenGeo& geo;
        Prefs& prefs;
        Hud& hud;
        Clock& clock;
        Applications& apps;
        Arranger& arranger;  // the shown group becomes the last tiling
        const L10n& l10n;
    };
    explicit Groups(Services services) : s_(services), timers_(s_.clock) {}
    Groups(const Groups&) = delete;
    Groups& operator=(const Groups&) = delete;

    const std::vector<std::vector<GroupWindow>>& groups() const { return groups_; }
    int current() const { return current_; }
    const std::vector<AXWindow>& excluded() const { return excluded_; }

    // Called after every change of `groups` or `current`.
    void observe(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

    // Switches to a group; the index wraps around at both ends.
    void show(int index);
    void showNext() { show(current_ + 1); }
    void showPrevious() { show(current_ - 1); }
    // Moves the focused window `step` groups on (+1 or -1).
    void moveFocused(int step);
    // Rebuilds every group from the open windows.
    void autoGroup(bool byApp);
    // Brings the groups up to date with the windows open now.
    void refresh();
    // Replaces everything, as the organiser arranged it.
    void setGroups(const std::vector<std::vector<AXWindow>>& groups,
                   const std::vector<AXWindow>& excluded);

    // The windows grouping considers: the visible ones front to back, then the other
    // standard windows of regular applications.
    std::vector<AXWindow> allWindows(bool includeMinimized) const;
    // Windows per group that suit a screen.
    int autoCapacity(const ScreenInfo& screen) const;
    // "2560×1440 (16:9)": a screen's size and shape.
    static QString describe(const ScreenInfo& screen);

    static constexpr double kStepDelay = 0.08;
    static constexpr int kCapacityWithoutScreen = 2;
    static constexpr int kMaxCapacity = 6;

  private:
    bool guard() const;
    int capacity() const;
    GroupWindow record(const AXWindow& window) const;
    void say(const QString& message) const { s_.hud.show(message, kMessageDuration); }
    void publish() const;

    Services s_;
    std::vector<std::vector<GroupWindow>> groups_;
    int current_ = 0;
    std::vector<AXWindow> excluded_;
    std::vector<std::function<void()>> observers_;
    OwnedTimers timers_;
};

}  // namespace quenda
