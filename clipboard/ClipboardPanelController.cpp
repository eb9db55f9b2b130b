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
    write(items, mode, alsoSelection);
    return true;
}

ClipboardPanelController::Written ClipboardPanelController::write(
    const std::vector<ClipItem>& items, PasteMode mode, bool alsoSelection) {
    if (mode == PasteMode::asFiles) return {s_.store.writeAsFiles(items, s_.textFiles), {}};
    const bool allText = std::all_of(items.begin(), items.end(), [](const ClipItem& item) {
        return item.kind == ClipItem::Kind::text;
    });
    if (!allText) {
        if (items.size() == 1) return {s_.store.write(items.front()), {}};
        return {s_.store.writeAsFiles(items, s_.textFiles), {}};
    }
    QString text = ClipboardStore::joinedText(items);
    if (const auto frame = s_.templates.current()) {
        // The panel knows the application a copy came from, never its window.
        text =
            Templates::apply(*frame, text, items.front().sourceApp.value_or(QString()), QString());
    }
    ClipItem joined;
    joined.text = text;
    return {s_.store.write(joined, alsoSelection), text};
}

void ClipboardPanelController::paste(const std::vector<ClipItem>& items, PasteMode mode) {
    if (items.empty()) return;
    // The chord, and whether the text must also be the other selection, are the receiving
    // window's; it is known before anything is written.
    Pending p;
    p.target = previous_;
    const std::optional<WindowRef> receiver = previous_ ? previous_ : frontWindow();
    p.selectionOffered = receiver && s_.keys.pasteChord(*receiver).alsoSelection;
    p.before = s_.pasteboard.changeCount();
    const Written written = write(items, mode, p.selectionOffered);
    p.wrote = written.any;
    p.text = written.text;
    if (s_.panel.hide) s_.panel.hide();
    if (previous_) {
        WindowPlan plan;
        plan.focus = previous_;
        s_.windows.apply(plan);
    }
    p.started = s_.clock.now();
    postWhenReady(std::move(p));
}

void ClipboardPanelController::postWhenReady(Pending p) {
    const bool late = s_.clock.now() - p.started >= kActivationDeadline;
    // Nothing written (an image whose file is gone): the paste goes on with what is there.
    const bool taken = !p.wrote || s_.pasteboard.changeCount() != p.before;
    const std::optional<WindowRef> front = frontWindow();
    const bool arrived = !p.target || front == p.target;
    // A window that has closed will never be active: the paste goes to whatever is in front.
    const bool gone = p.target && !arrived && !s_.windows.frame(*p.target);
    if (!late && !(taken && (arrived || gone))) {
        timers_.after(kActivationPollInterval, [this, p] { postWhenReady(p); });
        return;
    }
    // With no window in front, the plain Ctrl+V of an ordinary window.
    const PasteChord chord = s_.keys.pasteChord(front.value_or(WindowRef{}));
    if (chord.alsoSelection && p.text && !p.selectionOffered) {
        // The window in front is not the one the text was written for, and it pastes the
        // other selection: offer the text there too before pressing its keys.
        p.before = s_.pasteboard.changeCount();
        ClipItem again;
        again.text = p.text;
        p.wrote = s_.store.write(again, true);
        p.selectionOffered = true;
        p.target = front;
        p.started = s_.clock.now();
        timers_.after(kActivationPollInterval, [this, p] { postWhenReady(p); });
        return;
    }
    s_.keys.post(chord.chord);
}

void ClipboardPanelController::copy(const std::vector<ClipItem>& items, PasteMode mode) {
    if (!prepare(items, mode)) return;
    if (s_.panel.hide) s_.panel.hide();
    s_.hud.show(s_.l10n.t(mode == PasteMode::normal ? QStringLiteral("hud_copied")
                                                    : QStringLiteral("hud_copied_as_files")),
                kCopiedMessageDuration);
}

}  // namespace quenda
