#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QUuid>

#include "bridge/TextFiles.h"
#include "clipboard/ClipItem.h"
#include "core/AppPaths.h"
#include "core/L10n.h"
#include "platform/ports/Hud.h"
#include "platform/ports/Pasteboard.h"
#include "shelf/ShelfFile.h"
#include "shelf/ShelfItem.h"

namespace quenda {

// One dragged thing dropped onto the shelf, in every form the dragging program offered that
// the shelf can use. The shelf takes the first that applies: a local file, an image, a link,
// a text.
struct ShelfDrop {
    std::optional<QString> file;    // a local file's path
    std::optional<QByteArray> png;  // an image, as PNG bytes
    std::optional<QString> url;     // a link that is not a local file
    std::optional<QString> text;    // plain text
};

// What dragging an item out of the shelf offers other programs: a text, or a file with the
// name it suggests (its own); neither for a file item without a path.
struct ShelfDrag {
    std::optional<QString> text;
    std::optional<QString> file;
    QString suggestedName;
};

// The shelf: files, referred to where they are, and snippets of text that the user collects
// to drag them one by one into other programs, or to copy them all at once. Newest first. It
// lives in "estante.json" in the program's folder, saved after every change; images that
// arrive without a file are saved as PNG files in the folder "estante". Files the shelf
// refers to are never deleted by it.
class ShelfStore {
  public:
    struct Services {
        Pasteboard& pasteboard;
        Hud& hud;
        const L10n& l10n;
        AppPaths paths;
        // Seconds since 1970-01-01 00:00:00 UTC: names the saved images.
        std::function<double()> wallClock = systemWallClock;
        // The local time: names the Markdown files texts turn into.
        std::function<QDateTime()> localNow = [] { return QDateTime::currentDateTime(); };
    };
    static double systemWallClock();

    explicit ShelfStore(Services services);
    ShelfStore(const ShelfStore&) = delete;
    ShelfStore& operator=(const ShelfStore&) = delete;

    // The shelf, newest first.
    const std::vector<ShelfItem>& items() const { return items_; }
    // Called after every change of `items`.
    void observe(std::function<void()> observer) { observers_.push_back(std::move(observer)); }
    // What brings the shelf's panel to the front (building it first when needed): adding a
    // clipboard history item shows the shelf.
    void setShowPanel(std::function<void()> show) { showPanel_ = std::move(show); }

    // Reads the shelf file: every text, and every file that is still there, in order. A file
    // that cannot be read as a shelf leaves the shelf as it is. Never saves.
    void load();
    void removeLeftovers(const shelf::Loaded& loaded);
    // Writes the whole shelf, atomically.
    void save();

    // Adds a file at the front, unless the shelf already holds that path.
    void addFile(const QString& path);
    void addFile(const QUrl& url);
    // Adds a text at the front as given, unless it is blank or the shelf already holds exactly
    // that text.
    void addText(const QString& text);
    // Adds a clipboard history item (its files, its image's file or its text), then shows the
    // shelf.
    void add(const ClipItem& clip);
    // Adds what the clipboard holds, when it answers: its files, else its text, else its image
    // (saved into "estante"); an empty clipboard is reported.
    void addFromClipboard();
    // Removes the item; the file on disk is never touched.
    void remove(const QUuid& id);
    // Empties the shelf; files on disk are kept.
    void clear();
    // Turns a text item into a Markdown file in "archivos": the item keeps its id and place
    // and becomes that file. When the file cannot be written the text item stays.
    void convertToFile(const QUuid& id);
    // Puts every file on the clipboard, or when there is none every text joined by a
    // separator line, and says so.
    void copyAll();
    // Puts one item on the clipboard, and says so.
    void copy(const ShelfItem& item);
    // Takes dropped things; true when at least one was usable.
    bool accept(const std::vector<ShelfDrop>& drops);
    // What dragging the item out offers.
    static ShelfDrag drag(const ShelfItem& item);

    // Between the texts `copyAll` joins.
    static inline const QString kTextSeparator = QStringLiteral("\n\n---\n\n");

    const ShelfItem* find(const QUuid& id) const;
    shelf::FileState fileState() const { return fileState_; }
    QString shelfPath() const;
    QString imagesFolder() const;

  private:
    std::optional<QString> writeImage(const QByteArray& png);
    void answered(const PasteboardContent& content);
    void changed();
    void deleteOwnImage(const ShelfItem& item);
    // Runs `additions` as one change: saved and published once, at the end.
    void inOneChange(const std::function<void()>& additions);
    void publish() const;

    Services s_;
    TextFiles textFiles_;
    std::vector<ShelfItem> items_;
    shelf::FileState fileState_ = shelf::FileState::absent;
    std::vector<std::function<void()>> observers_;
    std::function<void()> showPanel_;
    bool batching_ = false;
    bool pending_ = false;
    // Answers that arrive after the store is gone find this expired.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
