#include <gtest/gtest.h>

#include <map>

#include "app/StatusMenu.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

struct Menu {
    Menu() {
        c.t = [](const QString& key) { return key; };
        c.format = [](const QString& key, const QVariantList& args) {
            QStringList parts{key};
            for (const QVariant& a : args) parts << a.toString();
            return parts.join(QLatin1Char('|'));
        };
        c.shortcut = [this](HotKeyAction a) -> std::optional<QString> {
            auto it = combos.find(a);
            if (it == combos.end()) return std::nullopt;
            return it->second;
        };
        c.relay = &relay;
        c.execute = [this](HotKeyAction a) { executed.push_back(a); };
        c.clearBridgeTarget = [this] { relay.clearTarget(); };
        c.removeGroupMember = [this](const Dest& member) { std::erase(relay.group, member); };
        c.clearGroup = [this] { relay.group.clear(); };
    }
    std::vector<QString> titles(const std::vector<MenuEntry>& entries) {
        std::vector<QString> out;
        for (const MenuEntry& e : entries)
            out.push_back(e.kind == MenuEntry::Kind::Separator ? QStringLiteral("--") : e.title);
        return out;
    }

    StatusMenuContext c;
    RelayState relay;
    std::map<HotKeyAction, QString> combos{{HotKeyAction::layoutAuto, "⌃⌥1"},
                                           {HotKeyAction::bridgeMark, "⌥⇧1"}};
    std::vector<HotKeyAction> executed;
};

TEST(StatusMenu, TopLevelItemsInOrderWithTheWarningOnlyWhileUntrusted) {
    Menu m;
    const std::vector<QString> trusted{"menu_open_dashboard",
                                       "--",
                                       "menu_organize_auto",
                                       "menu_overview",
                                       "menu_clipboard",
                                       "menu_shelf",
                                       "--",
                                       "menu_ai_bridge",
                                       "--",
                                       "menu_how_it_works_guides",
                                       "menu_check_updates",
                                       "menu_quit"};
    EXPECT_EQ(m.titles(buildStatusMenu(m.c)), trusted);

    m.c.trusted = false;
    auto untrusted = trusted;
    untrusted.insert(untrusted.begin(), {"menu_ax_warning", "--"});
    EXPECT_EQ(m.titles(buildStatusMenu(m.c)), untrusted);
}

TEST(StatusMenu, ItemsShowTheCurrentShortcutsAndRunTheirAction) {
    Menu m;
    auto menu = buildStatusMenu(m.c);
    EXPECT_EQ(menu[2].shortcut, "⌃⌥1");
    EXPECT_EQ(menu[4].shortcut, "");  // the clipboard panel has no shortcut yet
    menu[4].run();
    EXPECT_EQ(m.executed, std::vector<HotKeyAction>{HotKeyAction::toolsClipboard});

    m.combos[HotKeyAction::toolsClipboard] = "⌃⌥V";  // rebound: seen at the next opening
    EXPECT_EQ(buildStatusMenu(m.c)[4].shortcut, "⌃⌥V");
}

TEST(StatusMenu, BridgeSubmenuFollowsTheTarget) {
    Menu m;
    const auto bridge = [&] { return buildStatusMenu(m.c)[7].children; };
    auto none = bridge();
    EXPECT_EQ(m.titles(none),
              (std::vector<QString>{"bridge_no_target_hint|⌥⇧1", "--", "action_bridge_mark",
                                    "action_bridge_send", "action_bridge_send_enter",
                                    "action_bridge_send_clipboard", "--", "action_bridge_group",
                                    "menu_bridge_broadcast_count|0"}));
    EXPECT_FALSE(none[0].enabled);

    m.combos.erase(HotKeyAction::bridgeMark);
    EXPECT_EQ(bridge()[0].title, "bridge_no_target_hint|shortcut_none_dashboard");

    SimDesktop d;
    const auto id = d.open(101, "Chat", "c", {0, 0, 500, 500});
    const Dest dest{AXWindow(d, WindowRef{101, id}), 101, "Chat — c"};
    m.relay.target = dest;
    m.relay.group = {dest, dest};
    auto marked = bridge();
    EXPECT_EQ(marked.front().title, "menu_bridge_target|bridge_target_prefix|Chat — c");
    EXPECT_FALSE(marked.front().enabled);
    EXPECT_EQ(marked[8].title, "menu_bridge_broadcast_count|2");
    EXPECT_EQ(marked[9].title, "menu_bridge_remove_member");
    EXPECT_EQ(marked.back().title, "bridge_clear_target");
    marked.back().run();
    EXPECT_FALSE(m.relay.target);
    EXPECT_EQ(bridge().size(), 10u);
}

TEST(StatusMenu, GroupMembersLeaveFromTheBridgeSubmenu) {
    Menu m;
    SimDesktop d;
    std::vector<Dest> members;
    for (int32_t pid : {101, 102, 103}) {
        const auto id = d.open(pid, "Term", "t", {0, 0, 500, 500});
        members.push_back({AXWindow(d, WindowRef{pid, id}), pid, QString("Term %1").arg(pid)});
    }
    m.relay.group = members;
    const auto removal = [&] { return buildStatusMenu(m.c)[7].children[9].children; };
    EXPECT_EQ(m.titles(removal()), (std::vector<QString>{"Term 101", "Term 102", "Term 103", "--",
                                                         "bridge_broadcast_clear"}));
    removal()[1].run();
    EXPECT_EQ(m.relay.group, (std::vector<Dest>{members[0], members[2]}));
    removal().back().run();
    EXPECT_TRUE(m.relay.group.empty());
    EXPECT_EQ(buildStatusMenu(m.c)[7].children.size(), 9u);  // no removal entry left
}

}  // namespace
}  // namespace quenda
