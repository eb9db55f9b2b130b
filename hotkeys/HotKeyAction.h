#pragma once

#include <array>
#include <map>
#include <optional>

#include <QString>

#include "hotkeys/KeyCombo.h"

namespace quenda {

// Every user command, in the order that registration numbers, the conflict scan and the
// shortcut list follow.
enum class HotKeyAction {
    layoutAuto,
    layoutColumns2,
    layoutColumns3,
    layoutColumns4,
    layoutGrid2x2,
    layoutMainStack,
    layoutGrid3x2,
    layoutCenterSides,
    layoutRows2,
    layoutGrid3x3,
    mosaicRotate,
    mosaicPromote,
    winLeft,
    winRight,
    winTop,
    winBottom,
    winMaximize,
    winCenter,
    winMaxCenter,
    winNextScreen,
    groupsOverview,
    groupsNext,
    groupsPrev,
    groupsMoveNext,
    groupsMovePrev,
    groupsAuto,
    wsRestore1,
    wsRestore2,
    wsRestore3,
    wsSave1,
    wsSave2,
    wsSave3,
    bridgeMark,
    bridgeSend,
    bridgeSendEnter,
    bridgeSendClipboard,
    bridgeGroup,
    bridgeBroadcast,
    toolsClipboard,
    toolsShelf,
    toolsShelfAdd,
    toolsDashboard,
};

inline constexpr int kHotKeyActionCount = 42;

enum class HotKeyCategory { layouts, groups, bridge, tools };

// The stable identifier ("layout.auto"), used in stored bindings and on the command line.
QString rawValue(HotKeyAction action);
std::optional<HotKeyAction> fromRawValue(const QString& identifier);
const std::array<HotKeyAction, kHotKeyActionCount>& allActions();

HotKeyCategory category(HotKeyAction action);
// Whether the command's feature is part of this build. The others answer "not available"
// from the dispatch, and their shortcuts are not taken from other applications: a key that
// would only say "not available" stays with whoever else wants it.
bool isAvailable(HotKeyAction action);
// The localisation key of the title. The workspace actions share one key per kind and take
// their slot (1 to 3) as the single argument; the others take none.
QString titleKey(HotKeyAction action);
std::optional<int> titleSlot(HotKeyAction action);

// Action → combination; an action that is absent or maps to nothing is unbound.
using HotKeyBindings = std::map<HotKeyAction, std::optional<KeyCombo>>;

std::optional<KeyCombo> defaultCombo(HotKeyAction action);
// Every action present, bound to its default combination or to nothing.
HotKeyBindings defaultMap();

QString rawValue(HotKeyCategory category);
inline QString id(HotKeyCategory category) {
    return rawValue(category);
}
QString titleKey(HotKeyCategory category);
const std::array<HotKeyCategory, 4>& allCategories();

}  // namespace quenda
