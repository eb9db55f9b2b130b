#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUuid>

#include "bridge/TextFiles.h"
#include "clipboard/ClipItem.h"
#include "clipboard/HistoryFile.h"
#include "core/AppPaths.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Pasteboard.h"

namespace quenda {

// The clipboard history: every text, image and file list copied on the desktop, newest first,
// at most 300 unpinned items plus every pinned one. It survives restarts in "historial.json"
// in the program's folder; images are PNG files in its folder "imagenes". Copies marked
// private or transient by the program that made them are never recorded, and whatever is on
// the clipboard when the store starts is not recorded either.
//
// The store does nothing while nothing is copied: each change the pasteboard reports is
// examined once. A read of the clipboard may answer late; when a newer change arrived in the
// meantime, the answer is dropped and the newest copy read instead, so content is never
// recorded out of order.
class ClipboardStore {
  public:
    struct Services {
        Pasteboard& pasteboard;
        Applications& apps;  // the application in front names a copy's source
        AppPaths paths;
        // The time of day, in seconds since 1970-01-01 00:00:00 UTC: the date of a capture.
        std::function<double()> wallClock = systemWallClock;
    };
    static double systemWallClock();

    explicit ClipboardStore(Services services);
    ClipboardStore(const ClipboardStore&) = delete;
    ClipboardStore& operator=(const ClipboardStore&) = delete;

    static constexpr int maxItems = 300;
    static constexpr int maxTextLength = 300000;
    // The marker types other programs put beside content that is concealed, transient or
    // generated automatically.
    static const QStringList& ignoredTypes();
    // Everything that makes a copy private: `ignoredTypes` and the markers of this desktop's
    // password managers and clipboard tools.
    static const QStringList& privateTypes();

    // The history, newest first.
    const std::vector<ClipItem>& items() const { return items_; }
    // Called after every change of `items`.
    void observe(std::function<void()> observer) { observers_.push_back(std::move(observer)); }

    // Loads the history and starts following the clipboard from its present change on.
    void start();
    // Reads the history file, replacing `items` when it holds a history; never saves.
    void load();
    void removeLeftovers(const history::Loaded& loaded);
    // Examines the clipboard when it changed since it was last examined.
    void poll();
    // Writes the whole history to the file, atomically.
    void save();

    // Flips the pin of the item (the first with that id); then saves. An unknown id does
    // nothing.
    void togglePin(const QUuid& id);
    // Removes the item, and its image file; then saves. An unknown id does nothing.
    void deleteItem(const QUuid& id);
    // Removes every unpinned item (and their image files); the pinned ones stay in their
    // order. Then saves, even when nothing was removed.
    void clearUnpinned();

    // --- putting history items back on the clipboard -------------------------------------
    // One item in its own kind: a text as text (also as the desktop's other selection when
    // `alsoSelection`), an image as its PNG, files as a file list. An image whose PNG can no
    // longer be read puts nothing on the clipboard, which keeps what it held, and gives false.
    bool write(const ClipItem& item, bool alsoSelection = false);
    // The items as one file list: each text as a new Markdown file (a text that cannot be
    // written is left out), each image's PNG and each item's files. With nothing to list the
    // clipboard keeps what it held, and this gives false.
    bool writeAsFiles(const std::vector<ClipItem>& items, TextFiles& textFiles);
    // The texts of the text items, in order, joined by a blank line, "---" and a blank line.
    static QString joinedText(const std::vector<ClipItem>& items);
    static inline const QString kJoinSeparator = QStringLiteral("\n\n---\n\n");
    // The largest stored image put back on the clipboard.
    static constexpr qint64 kMaxImageBytes = 256LL * 1024 * 1024;

    // The change count last examined.
    int64_t lastChange() const { return lastChange_; }
    // What was found at the history file's place when it was last read or written.
    history::FileState fileState() const { return fileState_; }
    QString historyPath() const;
    QString imagesFolder() const;

  private:
    void read();
    void answered(int64_t requested, const std::optional<QString>& source,
                  PasteboardContent content);
    std::optional<ClipItem> capture(const PasteboardContent& content);
    std::optional<QString> writeImage(const QByteArray& png, double unixTime);
    std::optional<QString> frontmostName();
    void add(ClipItem item);
    void trim();
    void deleteImageIfNeeded(const ClipItem& item);
    void publish() const;

    Services s_;
    std::vector<ClipItem> items_;
    int64_t lastChange_ = 0;
    bool reading_ = false;
    history::FileState fileState_ = history::FileState::absent;
    std::vector<std::function<void()>> observers_;
    // Answers that arrive after the store is gone find this expired.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
