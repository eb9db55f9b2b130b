#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quenda {

// What a copy holds, as far as it was read. A read fills in only what it was asked for.
struct PasteboardContent {
    // The change count the content belongs to, also when the read gave nothing (an owner
    // that did not answer, a private copy): a reader compares it with the newest count to
    // tell an answer that arrived after a newer change.
    int64_t changeCount = 0;
    // The kinds of data on offer, by name ("text/uri-list", "org.nspasteboard.ConcealedType",
    // "x-kde-passwordManagerHint" when it says "secret"); transport-only names are left out.
    QStringList types;
    // Local file paths, in the order of the copy; empty when none.
    std::vector<QString> files;
    // The text, cut to the read's limit; nothing when the copy holds no text.
    std::optional<QString> text;
    // The image as PNG bytes; nothing when the copy holds no image that could be converted.
    std::optional<QByteArray> png;
};

// Which parts of a copy to read.
struct PasteboardRead {
    // A copy offering any of these types is private: its content is never read, and the
    // result carries only the types.
    QStringList privateTypes;
    // Files, then text, then image; a read stops at the first that gives something: at
    // least one file, a text that is not blank, an image that converts to PNG.
    bool files = true;
    bool text = true;
    bool image = true;
    // Characters of text kept, as QString counts them (UTF-16 units), never ending inside a
    // surrogate pair; the rest is dropped as it arrives, not held.
    int maxTextLength = 300000;
    // Reads the desktop's other selection (X's PRIMARY: what is selected right now) instead
    // of the clipboard: its text only, and never changes the count.
    bool selection = false;
    // With `selection`: read it only while the program of this window owns it (what that
    // program has selected); owned by any other program, it reads as nothing.
    std::optional<uint64_t> selectionOwner;
};

// The desktop's clipboard. Changes are counted: the count advances on every new copy by
// any program (this one included) and when the clipboard is emptied because its owner
// cleared it or went away. Reading can wait on another program, so it is asynchronous: the
// answer arrives on the main thread, and an owner that does not answer within about a
// second gives an empty content.
class Pasteboard {
  public:
    virtual ~Pasteboard() = default;

    virtual int64_t changeCount() = 0;
    // Called on the main thread each time the count advances; replaces the previous one.
    virtual void setChangeHandler(std::function<void()> changed) = 0;
    // Reads the current copy. `done` runs on the main thread, exactly once, unless the
    // pasteboard is destroyed first.
    virtual void read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) = 0;

    // Each write makes this program the owner of the clipboard with one new copy (the count
    // advances, and the change handler runs, once the desktop has taken the copy: at once in
    // the simulation, a moment later on X11). `alsoSelection` offers the text as the
    // desktop's other selection too, for applications that paste from there.
    virtual void writeText(const QString& text, bool alsoSelection = false) = 0;
    virtual void writeImage(const QByteArray& png) = 0;
    virtual void writeFiles(const std::vector<QString>& paths) = 0;

    // How many times another program has taken the content of a copy this program offers
    // (a paste, as opposed to asking which kinds are on offer), counted once the answer has
    // gone out whole; with `by`, only the pastes of the program that owns that window.
    // Nothing when this pasteboard cannot tell.
    virtual std::optional<int64_t> pasteCount(std::optional<uint64_t> by = std::nullopt) {
        (void)by;
        return std::nullopt;
    }
};

}  // namespace quenda
