#include "app/StatusMenu.h"

namespace quenda {

namespace {

MenuEntry actionItem(const StatusMenuContext& c, const QString& titleKey, HotKeyAction action) {
    return MenuEntry::item(
        c.t(titleKey), [execute = c.execute, action] { execute(action); },
        c.shortcut(action).value_or(QString()));
}

QString shortcutOrDashboard(const StatusMenuContext& c, HotKeyAction action) {
    return c.shortcut(action).value_or(c.t("shortcut_none_dashboard"));
}

std::vector<MenuEntry> bridgeMenu(const StatusMenuContext& c) {
    using A = HotKeyAction;
    std::vector<MenuEntry> items;
    const auto& target = c.relay->target;
    if (target) {
        items.push_back(MenuEntry::disabled(
            c.format("menu_bridge_target", {c.t("bridge_target_prefix"), target->label})));
    } else {
        items.push_back(MenuEntry::disabled(
            c.format("bridge_no_target_hint", {shortcutOrDashboard(c, A::bridgeMark)})));
    }
    items.push_back(MenuEntry::separator());
    items.push_back(actionItem(c, "action_bridge_mark", A::bridgeMark));
    items.push_back(actionItem(c, "action_bridge_send", A::bridgeSend));
    items.push_back(actionItem(c, "action_bridge_send_enter", A::bridgeSendEnter));
    items.push_back(actionItem(c, "action_bridge_send_clipboard", A::bridgeSendClipboard));
    items.push_back(MenuEntry::separator());
    items.push_back(actionItem(c, "action_bridge_group", A::bridgeGroup));
    MenuEntry broadcast = actionItem(c, "action_bridge_broadcast", A::bridgeBroadcast);
    broadcast.title =
        c.format("menu_bridge_broadcast_count", {static_cast<int>(c.relay->group.size())});
    items.push_back(broadcast);
    if (!c.relay->group.empty()) {
        // Each member can leave the group from here, as from the dashboard.
        std::vector<MenuEntry> members;
        for (const Dest& member : c.relay->group) {
            members.push_back(MenuEntry::item(
                member.label, [remove = c.removeGroupMember, member] { remove(member); }));
        }
        members.push_back(MenuEntry::separator());
        members.push_back(MenuEntry::item(c.t("bridge_broadcast_clear"), c.clearGroup));
        items.push_back(MenuEntry::submenu(c.t("menu_bridge_remove_member"), members));
    }
    if (target) {
        items.push_back(MenuEntry::separator());
        items.push_back(MenuEntry::item(c.t("bridge_clear_target"), c.clearBridgeTarget));
    }
    return items;
}

}  // namespace

std::vector<MenuEntry> buildStatusMenu(const StatusMenuContext& c) {
    using A = HotKeyAction;
    std::vector<MenuEntry> items;
    if (!c.trusted) {
        items.push_back(MenuEntry::item(c.t("menu_ax_warning"), c.fixPermission));
        items.push_back(MenuEntry::separator());
    }
    // Ctrl+, is the dashboard's own shortcut, shown as the desktop writes it.
    items.push_back(MenuEntry::item(c.t("menu_open_dashboard"), c.openDashboard,
                                    KeyCombo{kKeyCodeComma, kCarbonControl}.displayString()));
    items.push_back(MenuEntry::separator());
    items.push_back(actionItem(c, "menu_organize_auto", A::layoutAuto));
    items.push_back(actionItem(c, "menu_overview", A::groupsOverview));
    items.push_back(actionItem(c, "menu_clipboard", A::toolsClipboard));
    items.push_back(actionItem(c, "menu_shelf", A::toolsShelf));
    items.push_back(MenuEntry::separator());
    items.push_back(MenuEntry::submenu(c.t("menu_ai_bridge"), bridgeMenu(c)));
    items.push_back(MenuEntry::separator());
    items.push_back(MenuEntry::item(c.t("menu_how_it_works_guides"), c.openGuides));
    items.push_back(MenuEntry::item(c.t("menu_check_updates"), c.checkForUpdates));
    items.push_back(MenuEntry::item(c.t("menu_quit"), c.quit));
    return items;
}

}  // namespace quenda
