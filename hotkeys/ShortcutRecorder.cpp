#include "hotkeys/ShortcutRecorder.h"

namespace quenda {

void ShortcutRecorder::start(HotKeyAction action) {
    stop();
    recording_ = action;
    banner_.reset();
    if (!center_.isPausedForRecording()) {
        center_.setPausedForRecording(true);
        center_.unregisterAll();
    }
}

bool ShortcutRecorder::handleKey(uint32_t keyCode, uint64_t flags) {
    if (!recording_) return false;
    if (keyCode == kKeyCodeEscape) {
        stop();
        return true;
    }
    const auto combo = KeyCombo::fromEvent(keyCode, flags);
    if (!combo) {
        // A modifier on its own is the start of a combination, not a mistake.
        if (!KeyCombo::modifierKeyCodes().contains(keyCode))
            banner_ = Banner{QStringLiteral("shortcuts_need_modifier"), {}, Banner::Style::warning};
        return true;
    }
    const HotKeyAction action = *recording_;
    const auto displaced = center_.setCombo(combo, action);
    stop();
    if (displaced) {
        banner_ = Banner{QStringLiteral("shortcuts_reassigned_msg"),
                         {combo->displayString(), title_(*displaced)},
                         Banner::Style::warning};
    } else {
        banner_ = Banner{QStringLiteral("shortcuts_assigned_msg"),
                         {combo->displayString(), title_(action)},
                         Banner::Style::plain};
    }
    return true;
}

void ShortcutRecorder::stop() {
    recording_.reset();
    if (center_.isPausedForRecording()) {
        center_.setPausedForRecording(false);
        center_.reregisterAll();
    }
}

void ShortcutRecorder::clear(HotKeyAction action) {
    if (recording_ == action) stop();
    center_.setCombo(std::nullopt, action);
    banner_.reset();
}

void ShortcutRecorder::clearAll() {
    stop();
    center_.clearAll();
    banner_ = Banner{QStringLiteral("shortcuts_cleared_all_msg"), {}, Banner::Style::plain};
}

void ShortcutRecorder::restoreDefaults() {
    stop();
    center_.restoreDefaults();
    banner_ = Banner{QStringLiteral("shortcuts_restored_msg"), {}, Banner::Style::plain};
}

}  // namespace quenda
