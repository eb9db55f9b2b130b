#pragma once

#include <functional>

#include <QString>

#include "groups/Groups.h"
#include "hotkeys/HotKeyAction.h"
#include "layouts/WindowManager.h"
#include "platform/ports/Hud.h"
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
    };
    explicit ActionDispatch(Targets targets) : t_(std::move(targets)) {}

    void execute(HotKeyAction action);

    // "«%1» aún no está disponible"
    static QString notAvailableMessage(const QString& title);
    static constexpr double kMessageDuration = 1.6;

  private:
    void notAvailable(HotKeyAction action);

    Targets t_;
};

}  // namespace quenda
