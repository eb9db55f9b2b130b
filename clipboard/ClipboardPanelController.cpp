#include "clipboard/ClipboardPanelController.h"

#include <algorithm>

namespace quenda {

void ClipboardPanelController::toggle() {
    if (s_.panel.isVisible && s_.panel.isVisible()) {
        if (s_.panel.hide) s_.panel.hide();
        return;
    }
    open();
}

std::optional<WindowRef> ClipboardPanelController::frontWindow() {
    const auto pid = s_.windows.frontmostPid();
    if (!pid) return std::nullopt;
    return s_.windows.focusedWindow(*pid);
}

void ClipboardPanelController::open() {
    const auto pid = s_.windows.frontmostPid();
    if (!pid) {
        previous_.reset();
    } else if (*pid != s_.windows.ownPid()) {
        previous_ = s_.windows.focusedWindow(*pid);
    }
    if (s_.panel.show) s_.panel.show();
}

bool ClipboardPanelController::prepare(const std::vector<ClipItem>& items, PasteMode mode,
                                       bool alsoSelection) {
    if (items.empty()) return false;
    if (mode == PasteMode::asFiles) {
        s_.store.writeAsFiles(items, s_.textFiles);
        return true;
    }
    const bool allText = std::all_of(items.begin(), items.end(), [](const ClipItem& item) {
        return item.kind == ClipItem::Kind::text;
    });
    if (!allText) {
        if (items.size() == 1) {
            s_.store.write(items.front());
        } else {
            s_.store.writeAsFiles(items, s_.textFiles);
        }
        return true;
    }
    QString text = ClipboardStore::joinedText(items);
    if (const auto frame = s_.templates.current()) {
        // The panel knows the application a copy came from, never its window.
        text =
            Templates::apply(*frame, text, items.front().sourceApp.value_or(QString()), QString());
    }
    ClipItem joined;
    joined.text = text;
    s_.store.write(joined, alsoSelection);
    return true;
}

void ClipboardPanelController::paste(const std::vector<ClipItem>& items, PasteMode mode) {
    if (items.empty()) return;
    // The chord, and whether the text must also be the other selection, are the receiving
    // window's; it is known before anything is written.
    const std::optional<WindowRef> target = previous_ ? previous_ : frontWindow();
    const bool alsoSelection = target && s_.keys.pasteChord(*target).alsoSelection;
    if (!prepare(items, mode, alsoSelection)) return;
    if (s_.panel.hide) s_.panel.hide();
    if (previous_) {
        WindowPlan plan;
        plan.focus = previous_;
        s_.windows.apply(plan);
    }
    postWhenActive(previous_, s_.clock.now());
}

void ClipboardPanelController::postWhenActive(const std::optional<WindowRef>& target,
                                              double started) {
    const std::optional<WindowRef> front = frontWindow();
    const bool arrived = !target || front == target;
    // A window that has closed will never be active: the paste goes to whatever is in front.
    const bool gone = target && !arrived && !s_.windows.frame(*target);
    const bool late = s_.clock.now() - started >= kActivationDeadline;
    if (arrived || gone || late) {
        // With no window in front, the plain Ctrl+V of an ordinary window.
        s_.keys.post(s_.keys.pasteChord(front.value_or(WindowRef{})).chord);
        return;
    }
    timers_.after(kActivationPollInterval,
                  [this, target, started] { postWhenActive(target, started); });
}

void ClipboardPanelController::copy(const std::vector<ClipItem>& items, PasteMode mode) {
    if (!prepare(items, mode)) return;
    if (s_.panel.hide) s_.panel.hide();
    s_.hud.show(s_.l10n.t(mode == PasteMode::normal ? QStringLiteral("hud_copied")
                                                    : QStringLiteral("hud_copied_as_files")),
                kCopiedMessageDuration);
}

}  // namespace quenda
