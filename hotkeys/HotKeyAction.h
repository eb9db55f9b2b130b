#pragma once

#include <array>
#include <optional>

#include <QString>

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

}  // namespace quenda
