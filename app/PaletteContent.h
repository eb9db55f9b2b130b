#pragma once

#include <vector>

#include <QString>

#include "hotkeys/HotKeyAction.h"

namespace quenda {

// What one button of the corner palette runs: a command of the catalogue through the one
// dispatch, or one of the two panels it opens without ever closing them.
enum class PaletteRun : uint8_t {
    dispatch,       // `PaletteAction::action` through the dispatch
    showClipboard,  // the clipboard panel, opened (never toggled shut)
    showOverview,   // the overview organiser, opened (never toggled shut)
};

struct PaletteAction {
    QString symbol;    // names the icon the view draws
    QString labelKey;  // strings table key of the label
    PaletteRun run = PaletteRun::dispatch;
    HotKeyAction action = HotKeyAction::winLeft;  // the command, or the one it stands for
};

struct PaletteRow {
    QString titleKey;  // strings table key of the row's title
    std::vector<PaletteAction> actions;
};

// The palette's four fixed rows (window placement, layouts, bridge, groups) in order.
const std::vector<PaletteRow>& paletteRows();

// The footer's text when no action is under the pointer.
inline const char* const kPaletteHintKey = "palette_hint";

}  // namespace quenda
