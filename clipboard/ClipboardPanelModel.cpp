#include "clipboard/ClipboardPanelModel.h"

#include <cmath>

#include <QHash>

namespace quenda {

namespace {
bool isSpaceNotBreak(QChar c) {
    return c.isSpace() && c != u'\n' && c != u'\r' && c != QChar::LineSeparator &&
           c != QChar::ParagraphSeparator;
}
}  // namespace

QString ClipboardPanelModel::normalizedQuery(const QString& query) {
    qsizetype begin = 0;
    qsizetype end = query.size();
    while (begin < end && isSpaceNotBreak(query[begin])) ++begin;
    while (end > begin && isSpaceNotBreak(query[end - 1])) --end;
    return query.mid(begin, end - begin).toLower();
}

bool ClipboardPanelModel::matches(const QString& loweredPreview, const QString& loweredSource,
                                  const QString& query) {
    if (query.isEmpty()) return true;
    return loweredPreview.contains(query) || loweredSource.contains(query);
}

void ClipboardPanelModel::setItems(const std::vector<ClipItem>& items) {
    // An item's content never changes under its id: its preview is worked out once, not at
    // every opening (a text may be 300,000 characters long).
    QHash<QUuid, Entry> known;
    known.reserve(qsizetype(all_.size()));
    for (Entry& e : all_) known.insert(e.item.id, std::move(e));
    all_.clear();
    all_.reserve(items.size());
    QSet<QUuid> present;
    for (const ClipItem& item : items) {
        Entry e;
        const auto it = known.find(item.id);
        if (it != known.end() && it->item.kind == item.kind && it->item.paths == item.paths) {
            e = std::move(*it);
            e.item = item;
        } else {
            e.item = item;
            e.preview = item.preview(l10n_);
            e.loweredPreview = e.preview.toLower();
        }
        e.loweredSource = item.sourceApp.value_or(QString()).toLower();
        all_.push_back(std::move(e));
        present.insert(item.id);
    }
    selection_.intersect(present);
    refilter();
}

void ClipboardPanelModel::reset() {
    query_.clear();
    selection_.clear();
    refilter();
}

void ClipboardPanelModel::setQuery(const QString& query) {
    if (query == query_) return;
    query_ = query;
    refilter();
}

void ClipboardPanelModel::refilter() {
    const QString q = normalizedQuery(query_);
    visibleIndex_.clear();
    for (const bool pinned : {true, false}) {
        for (int i = 0; i < int(all_.size()); ++i) {
            const Entry& e = all_[i];
            if (e.item.pinned == pinned && matches(e.loweredPreview, e.loweredSource, q))
                visibleIndex_.push_back(i);
        }
    }
    visible_.clear();
    visible_.reserve(visibleIndex_.size());
    for (const int i : visibleIndex_) visible_.push_back(all_[i].item);
}

const QString& ClipboardPanelModel::previewAt(int row) const {
    return all_[visibleIndex_.at(row)].preview;
}

std::vector<ClipItem> ClipboardPanelModel::targetItems() const {
    std::vector<ClipItem> targets;
    for (const ClipItem& item : visible_)
        if (selection_.contains(item.id)) targets.push_back(item);
    if (targets.empty() && !visible_.empty()) targets.push_back(visible_.front());
    return targets;
}

QString ClipboardPanelModel::pasteButtonTitle() const {
    return l10n_.t(selection_.size() < 2 ? QStringLiteral("clip_panel_paste")
                                         : QStringLiteral("clip_panel_join_paste"));
}

QString ClipboardPanelModel::selectionHint() const {
    if (selection_.size() < 2) return l10n_.t(QStringLiteral("clip_panel_multi_hint"));
    return l10n_.format(QStringLiteral("clip_panel_selected"), {qint64(selection_.size())});
}

std::optional<QString> ClipboardPanelModel::emptyState() const {
    if (!visible_.empty()) return std::nullopt;
    return l10n_.t(all_.empty() ? QStringLiteral("clip_panel_empty")
                                : QStringLiteral("clip_panel_no_results"));
}

QString ClipboardPanelModel::details(const ClipItem& item, double nowUnix) const {
    QStringList parts;
    if (item.sourceApp && !item.sourceApp->isEmpty()) parts << *item.sourceApp;
    const double captured = item.date + ClipItem::kReferenceDateInUnixTime;
    const qint64 seconds = qint64(std::clamp(std::floor(nowUnix - captured), 0.0, 1e11));
    if (seconds < 60) {
        parts << l10n_.t(QStringLiteral("clip_age_now"));
    } else if (seconds < 3600) {
        parts << l10n_.format(QStringLiteral("clip_age_minutes"), {seconds / 60});
    } else if (seconds < 86400) {
        parts << l10n_.format(QStringLiteral("clip_age_hours"), {seconds / 3600});
    } else {
        parts << l10n_.format(QStringLiteral("clip_age_days"), {seconds / 86400});
    }
    QString line = parts.join(QStringLiteral(" · "));
    if (item.kind == ClipItem::Kind::text) {
        line += QStringLiteral(" ") + l10n_.format(QStringLiteral("clip_panel_characters"),
                                                   {qint64(item.text.value_or(QString()).size())});
    }
    return line;
}

}  // namespace quenda
