#include "hotkeys/HotKeyAction.h"

#include <string_view>

namespace quenda {

namespace {

using A = HotKeyAction;
using C = HotKeyCategory;

struct Row {
    A action;
    const char* identifier;
    C category;
    const char* titleKey;
    int slot;  // 0: the title takes no argument
    std::optional<KeyCombo> shortcut;
};

constexpr uint32_t kControlOption = kCarbonControl | kCarbonOption;
constexpr uint32_t kOptionShift = kCarbonOption | kCarbonShift;

constexpr Row kRows[] = {
    {A::layoutAuto, "layout.auto", C::layouts, "layout_auto", 0, KeyCombo{18, kControlOption}},
    {A::layoutColumns2, "layout.columns2", C::layouts, "layout_columns2", 0, {}},
    {A::layoutColumns3, "layout.columns3", C::layouts, "layout_columns3", 0, {}},
    {A::layoutColumns4, "layout.columns4", C::layouts, "layout_columns4", 0, {}},
    {A::layoutGrid2x2, "layout.grid2x2", C::layouts, "layout_grid2x2", 0, {}},
    {A::layoutMainStack, "layout.mainStack", C::layouts, "layout_mainStack", 0, {}},
    {A::layoutGrid3x2, "layout.grid3x2", C::layouts, "layout_grid3x2", 0, {}},
    {A::layoutCenterSides, "layout.centerSides", C::layouts, "layout_centerSides", 0, {}},
    {A::layoutRows2, "layout.rows2", C::layouts, "layout_rows2", 0, {}},
    {A::layoutGrid3x3, "layout.grid3x3", C::layouts, "layout_grid3x3", 0, {}},
    {A::mosaicRotate, "mosaic.rotate", C::layouts, "action_mosaic_rotate", 0, {}},
    {A::mosaicPromote, "mosaic.promote", C::layouts, "action_mosaic_promote", 0, {}},
    {A::winLeft, "win.left", C::layouts, "action_win_left", 0, {}},
    {A::winRight, "win.right", C::layouts, "action_win_right", 0, {}},
    {A::winTop, "win.top", C::layouts, "action_win_top", 0, {}},
    {A::winBottom, "win.bottom", C::layouts, "action_win_bottom", 0, {}},
    {A::winMaximize, "win.max", C::layouts, "action_win_maximize", 0, {}},
    {A::winCenter, "win.center", C::layouts, "action_win_center", 0, {}},
    {A::winMaxCenter, "win.maxCenter", C::layouts, "action_win_max_center", 0, {}},
    {A::winNextScreen, "win.nextScreen", C::layouts, "action_win_next_screen", 0, {}},
    {A::groupsOverview, "groups.overview", C::groups, "action_groups_overview", 0,
     KeyCombo{19, kControlOption}},
    {A::groupsNext, "groups.next", C::groups, "action_groups_next", 0, {}},
    {A::groupsPrev, "groups.prev", C::groups, "action_groups_prev", 0, {}},
    {A::groupsMoveNext, "groups.moveNext", C::groups, "action_groups_move_next", 0, {}},
    {A::groupsMovePrev, "groups.movePrev", C::groups, "action_groups_move_prev", 0, {}},
    {A::groupsAuto, "groups.auto", C::groups, "action_groups_auto", 0, {}},
    {A::wsRestore1, "ws.restore.1", C::groups, "action_ws_restore", 1, {}},
    {A::wsRestore2, "ws.restore.2", C::groups, "action_ws_restore", 2, {}},
    {A::wsRestore3, "ws.restore.3", C::groups, "action_ws_restore", 3, {}},
    {A::wsSave1, "ws.save.1", C::groups, "action_ws_save", 1, {}},
    {A::wsSave2, "ws.save.2", C::groups, "action_ws_save", 2, {}},
    {A::wsSave3, "ws.save.3", C::groups, "action_ws_save", 3, {}},
    {A::bridgeMark, "bridge.mark", C::bridge, "action_bridge_mark", 0, KeyCombo{18, kOptionShift}},
    {A::bridgeSend, "bridge.send", C::bridge, "action_bridge_send", 0, KeyCombo{19, kOptionShift}},
    {A::bridgeSendEnter, "bridge.sendEnter", C::bridge, "action_bridge_send_enter", 0,
     KeyCombo{13, kControlOption}},
    {A::bridgeSendClipboard, "bridge.sendClipboard", C::bridge, "action_bridge_send_clipboard", 0,
     KeyCombo{3, kControlOption}},
    {A::bridgeGroup, "bridge.group", C::bridge, "action_bridge_group", 0,
     KeyCombo{5, kControlOption}},
    {A::bridgeBroadcast, "bridge.broadcast", C::bridge, "action_bridge_broadcast", 0,
     KeyCombo{11, kControlOption}},
    {A::toolsClipboard, "tools.clipboard", C::tools, "action_tools_clipboard", 0, {}},
    {A::toolsShelf, "tools.shelf", C::tools, "action_tools_shelf", 0, {}},
    {A::toolsShelfAdd, "tools.shelfAdd", C::tools, "action_tools_shelf_add", 0, {}},
    {A::toolsDashboard, "tools.dashboard", C::tools, "action_tools_dashboard", 0, {}},
};

// The table is indexed by the enum's value and holds every action once.
constexpr bool rowsFollowTheEnum() {
    if (int(A::toolsDashboard) + 1 != kHotKeyActionCount) return false;
    if (std::size(kRows) != size_t(kHotKeyActionCount)) return false;
    for (int i = 0; i < kHotKeyActionCount; ++i)
        if (int(kRows[i].action) != i) return false;
    return true;
}
static_assert(rowsFollowTheEnum());

// Identifiers are distinct, so every stored binding names one action. A title is its key
// and slot: only the workspace actions share a key, told apart by their slot (1 to 3).
// The categories come in runs, in the order of their enum, so the catalogue reads by category.
constexpr bool rowsAreConsistent() {
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const Row& r = kRows[i];
        if (std::string_view(r.identifier).empty() || std::string_view(r.titleKey).empty())
            return false;
        if (r.slot < 0 || r.slot > 3) return false;
        if (i > 0 && int(r.category) < int(kRows[i - 1].category)) return false;
        for (size_t j = 0; j < i; ++j) {
            if (std::string_view(kRows[j].identifier) == r.identifier) return false;
            if (std::string_view(kRows[j].titleKey) == r.titleKey && kRows[j].slot == r.slot)
                return false;
        }
    }
    return true;
}
static_assert(rowsAreConsistent());

const Row& row(A action) {
    return kRows[int(action)];
}

struct CategoryRow {
    const char* identifier;
    const char* titleKey;
};
constexpr CategoryRow kCategories[] = {
    {"layouts", "hk_cat_layouts"},
    {"groups", "hk_cat_groups"},
    {"bridge", "hk_cat_bridge"},
    {"tools", "hk_cat_tools"},
};
// Indexed by the category's value, one row per category.
static_assert(std::size(kCategories) == 4 && int(C::tools) == 3);

}  // namespace

QString rawValue(HotKeyAction action) {
    return QString::fromLatin1(row(action).identifier);
}

std::optional<HotKeyAction> fromRawValue(const QString& identifier) {
    for (const Row& r : kRows)
        if (identifier == QLatin1String(r.identifier)) return r.action;
    return std::nullopt;
}

const std::array<HotKeyAction, kHotKeyActionCount>& allActions() {
    static const auto actions = [] {
        std::array<HotKeyAction, kHotKeyActionCount> all{};
        for (int i = 0; i < kHotKeyActionCount; ++i) all[i] = kRows[i].action;
        return all;
    }();
    return actions;
}

bool isAvailable(HotKeyAction) {
    // Every command of the catalogue is in this build.
    return true;
}

HotKeyCategory category(HotKeyAction action) {
    return row(action).category;
}

QString titleKey(HotKeyAction action) {
    return QString::fromLatin1(row(action).titleKey);
}

std::optional<int> titleSlot(HotKeyAction action) {
    if (row(action).slot == 0) return std::nullopt;
    return row(action).slot;
}

std::optional<KeyCombo> defaultCombo(HotKeyAction action) {
    return row(action).shortcut;
}

HotKeyBindings defaultMap() {
    HotKeyBindings map;
    for (const Row& r : kRows) map[r.action] = r.shortcut;
    return map;
}

QString rawValue(HotKeyCategory category) {
    return QString::fromLatin1(kCategories[int(category)].identifier);
}

QString titleKey(HotKeyCategory category) {
    return QString::fromLatin1(kCategories[int(category)].titleKey);
}

const std::array<HotKeyCategory, 4>& allCategories() {
    static constexpr std::array<HotKeyCategory, 4> all{C::layouts, C::groups, C::bridge, C::tools};
    return all;
}

}  // namespace quenda
