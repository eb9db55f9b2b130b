#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "platform/ports/Pasteboard.h"

namespace quenda {

// The clipboard in memory, for tests. Every change runs the change handler at once, and a read
// answers at once (before `read` returns), so a test states a copy and checks what was
// recorded in the next line.
class SimPasteboard : public Pasteboard {
  public:
    // Another program copies: the count advances, the content (its change count ignored)
    // replaces what was there; the change handler runs.
    void copy(PasteboardContent content);
    // The owner cleared the clipboard or exited: the count advances, nothing is on offer.
    void clear();
    // What is on offer now (after a copy or one of our writes). A write of files offers the
    // types "text/uri-list" and "x-special/gnome-copied-files", a text
    // "text/plain;charset=utf-8" (and, with `alsoSelection`, the text as `selectionText`), an
    // image "image/png".
    const PasteboardContent& current() const { return current_; }
    // What the desktop's other selection offers after a write with `alsoSelection`.
    std::optional<QString> selectionText() const { return selection_; }
    // Reads answered so far.
    int reads() const { return reads_; }
    // The user selects text in window `owner` (nothing: no selection); windows are their own
    // programs here.
    void select(std::optional<QString> text, uint64_t owner = 0) {
        selection_ = std::move(text);
        selectionOwner_ = owner;
    }
    // The program of window `by` pastes: when the copy (or the selection) is this program's,
    // the paste count advances. `countsPastes` false plays a pasteboard that cannot tell.
    void takePaste(uint64_t by = 0) {
        if (ours_) pastes_.push_back(by);
    }
    bool countsPastes = true;

    int64_t changeCount() override { return current_.changeCount; }
    void setChangeHandler(std::function<void()> changed) override { changed_ = std::move(changed); }
    // Answers at once, honouring `privateTypes`, the order files, text, image (stopping at the
    // first that gives something: at least one file, a text that is not blank, PNG bytes) and
    // `maxTextLength`.
    void read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) override;

    void writeText(const QString& text, bool alsoSelection = false) override;
    void writeImage(const QByteArray& png) override;
    void writeFiles(const std::vector<QString>& paths) override;
    std::optional<int64_t> pasteCount(std::optional<uint64_t> by = std::nullopt) override {
        if (!countsPastes) return std::nullopt;
        if (!by) return int64_t(pastes_.size());
        return int64_t(std::count(pastes_.begin(), pastes_.end(), *by));
    }

  private:
    void offer(PasteboardContent content);

    PasteboardContent current_;
    std::optional<QString> selection_;
    std::function<void()> changed_;
    int reads_ = 0;
    std::vector<uint64_t> pastes_;  // the window of each paste
    uint64_t selectionOwner_ = 0;
    bool ours_ = false;  // the last copy or selection was written by this program
};

}  // namespace quenda
