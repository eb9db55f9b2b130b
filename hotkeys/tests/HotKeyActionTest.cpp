#include <gtest/gtest.h>

#include <set>

#include "hotkeys/HotKeyAction.h"
#include "hotkeys/tests/Printers.h"

namespace quenda {
namespace {

using A = HotKeyAction;
using C = HotKeyCategory;

TEST(HotKeyAction, IdentifiersInDeclarationOrder) {
    // Stored bindings and the command line use these; they never change.
    const char* identifiers[] = {
        "layout.auto",     "layout.columns2",  "layout.columns3",  "layout.columns4",
        "layout.grid2x2",  "layout.mainStack", "layout.grid3x2",   "layout.centerSides",
        "layout.rows2",    "layout.grid3x3",   "mosaic.rotate",    "mosaic.promote",
        "win.left",        "win.right",        "win.top",          "win.bottom",
        "win.max",         "win.center",       "win.maxCenter",    "win.nextScreen",
        "groups.overview", "groups.next",      "groups.prev",      "groups.moveNext",
        "groups.movePrev", "groups.auto",      "ws.restore.1",     "ws.restore.2",
        "ws.restore.3",    "ws.save.1",        "ws.save.2",        "ws.save.3",
        "bridge.mark",     "bridge.send",      "bridge.sendEnter", "bridge.sendClipboard",
        "bridge.group",    "bridge.broadcast", "tools.clipboard",  "tools.shelf",
        "tools.shelfAdd",  "tools.dashboard",
    };
    ASSERT_EQ(std::size(identifiers), allActions().size());
    for (int i = 0; i < kHotKeyActionCount; ++i) {
        const A action = allActions()[i];
        EXPECT_EQ(int(action), i);
        EXPECT_EQ(rawValue(action), identifiers[i]);
        EXPECT_EQ(fromRawValue(identifiers[i]), action);
    }
}

TEST(HotKeyAction, UnknownIdentifiersGiveNoAction) {
    for (const char* s :
         {"", "layout", "Layout.auto", "layout.auto ", "ws.restore.4", "win.maximize"})
        EXPECT_EQ(fromRawValue(s), std::nullopt) << s;
}

TEST(HotKeyAction, CategoriesAndTitleKeys) {
    struct Case {
        A action;
        C category;
        const char* titleKey;
        std::optional<int> slot;
    };
    const Case cases[] = {
        {A::layoutAuto, C::layouts, "layout_auto", {}},
        {A::layoutMainStack, C::layouts, "layout_mainStack", {}},
        {A::layoutCenterSides, C::layouts, "layout_centerSides", {}},
        {A::mosaicRotate, C::layouts, "action_mosaic_rotate", {}},
        {A::winLeft, C::layouts, "action_win_left", {}},
        {A::winMaximize, C::layouts, "action_win_maximize", {}},
        {A::winMaxCenter, C::layouts, "action_win_max_center", {}},
        {A::winNextScreen, C::layouts, "action_win_next_screen", {}},
        {A::groupsOverview, C::groups, "action_groups_overview", {}},
        {A::groupsMovePrev, C::groups, "action_groups_move_prev", {}},
        {A::wsRestore1, C::groups, "action_ws_restore", 1},
        {A::wsRestore3, C::groups, "action_ws_restore", 3},
        {A::wsSave2, C::groups, "action_ws_save", 2},
        {A::bridgeMark, C::bridge, "action_bridge_mark", {}},
        {A::bridgeSendClipboard, C::bridge, "action_bridge_send_clipboard", {}},
        {A::bridgeBroadcast, C::bridge, "action_bridge_broadcast", {}},
        {A::toolsClipboard, C::tools, "action_tools_clipboard", {}},
        {A::toolsShelfAdd, C::tools, "action_tools_shelf_add", {}},
        {A::toolsDashboard, C::tools, "action_tools_dashboard", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(category(c.action), c.category) << rawValue(c.action).toStdString();
        EXPECT_EQ(titleKey(c.action), c.titleKey);
        EXPECT_EQ(titleSlot(c.action), c.slot) << rawValue(c.action).toStdString();
    }

    // Categories are contiguous runs in action order: 20 layouts, 12 groups, 6 bridge, 4 tools.
    std::map<C, int> counts;
    C previous = C::layouts;
    for (A a : allActions()) {
        EXPECT_GE(int(category(a)), int(previous)) << rawValue(a).toStdString();
        previous = category(a);
        ++counts[category(a)];
    }
    EXPECT_EQ(counts,
              (std::map<C, int>{{C::layouts, 20}, {C::groups, 12}, {C::bridge, 6}, {C::tools, 4}}));

    // Only the six workspace actions take a slot; every other title key is its own.
    std::set<QString> keys;
    int withSlot = 0;
    for (A a : allActions()) {
        if (titleSlot(a)) {
            ++withSlot;
            continue;
        }
        EXPECT_TRUE(keys.insert(titleKey(a)).second) << titleKey(a).toStdString();
    }
    EXPECT_EQ(withSlot, 6);
}

TEST(HotKeyAction, DefaultMapHasEveryActionAndEightShortcuts) {
    const HotKeyBindings map = defaultMap();
    EXPECT_EQ(map.size(), size_t(kHotKeyActionCount));
    const std::map<A, KeyCombo> bound = {
        {A::layoutAuto, {18, 6144}},      {A::groupsOverview, {19, 6144}},
        {A::bridgeMark, {18, 2560}},      {A::bridgeSend, {19, 2560}},
        {A::bridgeSendEnter, {13, 6144}}, {A::bridgeSendClipboard, {3, 6144}},
        {A::bridgeGroup, {5, 6144}},      {A::bridgeBroadcast, {11, 6144}},
    };
    for (A a : allActions()) {
        const auto it = bound.find(a);
        const auto expected = it == bound.end() ? std::nullopt : std::optional(it->second);
        EXPECT_EQ(map.at(a), expected) << rawValue(a).toStdString();
        EXPECT_EQ(defaultCombo(a), expected);
    }
    EXPECT_EQ(map.at(A::layoutAuto)->displayString(), "⌃⌥1");
    EXPECT_EQ(map.at(A::bridgeMark)->displayString(), "⌥⇧1");
    EXPECT_EQ(map.at(A::bridgeSendEnter)->displayString(), "⌃⌥W");
}

TEST(HotKeyCategory, IdentifiersAndTitleKeys) {
    const struct {
        C category;
        const char* id;
        const char* titleKey;
    } cases[] = {
        {C::layouts, "layouts", "hk_cat_layouts"},
        {C::groups, "groups", "hk_cat_groups"},
        {C::bridge, "bridge", "hk_cat_bridge"},
        {C::tools, "tools", "hk_cat_tools"},
    };
    ASSERT_EQ(allCategories().size(), std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(allCategories()[i], cases[i].category);
        EXPECT_EQ(rawValue(cases[i].category), cases[i].id);
        EXPECT_EQ(id(cases[i].category), cases[i].id);
        EXPECT_EQ(titleKey(cases[i].category), cases[i].titleKey);
    }
}

}  // namespace
}  // namespace quenda
