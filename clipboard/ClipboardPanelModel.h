#pragma once

#include <optional>
#include <vector>

#include <QSet>
#include <QString>
#include <QUuid>

#include "clipboard/ClipItem.h"
#include "core/L10n.h"

namespace quenda {

// What the clipboard panel shows and what its buttons act on: the search text, the history
// filtered by it (pinned items first, then the rest, each newest first), the selected items
// and the texts of the footer. The panel's view draws it; it holds no widget.
class ClipboardPanelModel {
  public:
    explicit ClipboardPanelModel(const L10n& l10n) : l10n_(l10n) {}

    // The history, newest first, as the store holds it. The selection keeps the ids that are
    // still there.
    void setItems(const std::vector<ClipItem>& items);
    // A fresh opening: no search text, nothing selected.
    void reset();

    const QString& query() const { return query_; }
    void setQuery(const QString& query);

    // The items the search keeps, in list order.
    const std::vector<ClipItem>& visible() const { return visible_; }
    // The preview of the visible item at `row`.
    const QString& previewAt(int row) const;
    // The number of items in the history, whatever the search keeps.
    int historyCount() const { return int(all_.size()); }

    const QSet<QUuid>& selection() const { return selection_; }
    void setSelection(QSet<QUuid> ids) { selection_ = std::move(ids); }
    // What the paste buttons act on: the visible selected items in list order; with none of
    // them, the first visible item alone; with nothing visible, nothing.
    std::vector<ClipItem> targetItems() const;

    // "Pegar" for fewer than two selected items, else "Unir y pegar".
    QString pasteButtonTitle() const;
    // The paste button works while some item is visible.
    bool canPaste() const { return !visible_.empty(); }
    // How to select several, or how many are selected.
    QString selectionHint() const;
    // What the list area says when nothing is visible: an empty history, or a search that
    // keeps nothing. Nothing while some item is visible.
    std::optional<QString> emptyState() const;
    // The line under a row's preview: the source application, the capture's age and, for a
    // text, its length. `nowUnix` is the time of day in seconds since 1970.
    QString details(const ClipItem& item, double nowUnix) const;

    // Whether an item with this preview and source is kept by a search for `query` (already
    // trimmed and lower-cased): plain substring matching, not case-sensitive.
    static bool matches(const QString& loweredPreview, const QString& loweredSource,
                        const QString& query);
    // The search text as it is matched: white space (not line breaks) removed at both ends,
    // lower-cased.
    static QString normalizedQuery(const QString& query);

  private:
    struct Entry {
        ClipItem item;
        QString preview;
        QString loweredPreview;
        QString loweredSource;
    };
    void refilter();

    const L10n& l10n_;
    std::vector<Entry> all_;
    std::vector<int> visibleIndex_;  // indexes into all_, in list order
    std::vector<ClipItem> visible_;
    QString query_;
    QSet<QUuid> selection_;
};

}  // namespace quenda
