#pragma once

#include <functional>

#include <QString>

#include "bridge/Relay.h"
#include "core/L10n.h"
#include "groups/Groups.h"
#include "hotkeys/HotKeyAction.h"
#include "layouts/WindowManager.h"
#include "platform/ports/Hud.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfStore.h"
#include "workspaces/Workspaces.h"

namespace quenda {

// The one dispatch: every command of the catalogue, from a shortcut, the tray menu or the
// command line, reaches exactly one operation here. Commands whose subsystem is not part of
// this build say so in the HUD instead of failing silently.
class ActionDispatch {
  public:
    struct Targets {
        WindowManager& windows;
        Groups& groups;
        Workspaces& workspaces;
        Hud& hud;
        std::function<QString(HotKeyAction)> title;  // the command's localised title
        const L10n& l10n;
        ShelfStore& shelf;
        ShelfController& shelfPanel;
        // Shows or hides the clipboard panel; while unset (a desktop without a clipboard
        // history) the command says it is not available.
        std::function<void()> toggleClipboardPanel = {};
        // Opens or closes the overview organiser; while unset the command says it is not
        // available.
        std::function<void()> toggleOverview = {};
        // The bridge; while unset its commands say they are not available.
        Relay* relay = nullptr;
        // Opens the dashboard (or brings it forward); while unset the command says it is not
        // available.
        std::function<void()> showDashboard = {};
    };
    explicit ActionDispatch(Targets targets) : t_(std::move(targets)) {}

    void execute(HotKeyAction action);

    // The "not available yet" message of a command, by its title.
    static QString notAvailableMessage(const L10n& l10n, const QString& title);

  private:
    void notAvailable(HotKeyAction action);
    void bridge(HotKeyAction action);

    Targets t_;
};

}  // namespace quenda
