#pragma once

#include <memory>

#include <QString>

#include "platform/ports/Pasteboard.h"

namespace quenda {

// The X11 CLIPBOARD selection. A worker thread with a connection of its own watches the
// selection's owner through XFixes, reads copies and answers the requests for what this
// program offers; it sleeps in poll() while nothing happens. Counts, change handlers and
// read results reach the thread that opened the pasteboard (the main thread) through its
// event loop. Every read gives an owner about a second without progress before it ends with
// an empty content; a hung owner never holds up that thread.
class X11Pasteboard final : public Pasteboard {
  public:
    // Connects to `display` (or $DISPLAY when empty); nothing, with `error` set, when the
    // server cannot be reached or lacks XFixes.
    static std::unique_ptr<X11Pasteboard> open(QString* error, const QString& display = {});
    ~X11Pasteboard() override;
    X11Pasteboard(const X11Pasteboard&) = delete;
    X11Pasteboard& operator=(const X11Pasteboard&) = delete;

    int64_t changeCount() override;
    void setChangeHandler(std::function<void()> changed) override;
    void read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) override;
    void writeText(const QString& text, bool alsoSelection = false) override;
    void writeImage(const QByteArray& png) override;
    void writeFiles(const std::vector<QString>& paths) override;
    // Requests for the content of what this program offers, on either selection, from
    // windows other than its own; by client, from the requestor window's id.
    std::optional<int64_t> pasteCount(std::optional<uint64_t> by = std::nullopt) override;

  private:
    struct Impl;
    explicit X11Pasteboard(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d_;
};

}  // namespace quenda
