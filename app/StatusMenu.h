#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QVariantList>

#include "app/MenuModel.h"
#include "bridge/Relay.h"
#include "hotkeys/HotKeyAction.h"

namespace quenda {

// Everything the tray menu shows, read at the moment it opens.
struct StatusMenuContext {
    bool trusted = true;
    std::function<QString(const QString& key)> t;
    std::function<QString(const QString& key, const QVariantList& args)> format;
    // The display string of the action's combination, when it has one.
    std::function<std::optional<QString>(HotKeyAction)> shortcut;
    const RelayState* relay = nullptr;

    std::function<void(HotKeyAction)> execute;
    std::function<void()> fixPermission;
    std::function<void()> openDashboard;
    std::function<void()> openGuides;
    std::function<void()> checkForUpdates;
    std::function<void()> quit;
    std::function<void()> clearBridgeTarget;
    // Removes one member from the broadcast group (the window, not a place in the list,
    // which may have changed while the menu was open), and empties the group.
    std::function<void(const Dest&)> removeGroupMember;
    std::function<void()> clearGroup;
};

std::vector<MenuEntry> buildStatusMenu(const StatusMenuContext& context);

}  // namespace quenda
