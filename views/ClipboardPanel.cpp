#include "views/ClipboardPanel.h"

#include <utility>

#include <algorithm>

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QVBoxLayout>

#include "core/RegularFile.h"

namespace quenda {

namespace {

constexpr int kRowHeight = 50;
constexpr int kRowPadding = 8;
constexpr int kHoverButton = 24;
constexpr int kThumbnailRadius = 5;
// Thumbnails kept, in rows: every image of a full history fits.
constexpr int kThumbnailCacheRows = 400;

QIcon themed(std::initializer_list<const char*> names, QStyle::StandardPixmap fallback) {
    for (const char* name : names) {
        const QIcon icon = QIcon::fromTheme(QString::fromLatin1(name));
        if (!icon.isNull()) return icon;
    }
    return QApplication::style()->standardIcon(fallback);
}

const QIcon& textIcon() {
    static const QIcon icon =
        themed({"format-justify-left", "text-x-generic"}, QStyle::SP_FileDialogDetailedView);
    return icon;
}
const QIcon& photoIcon() {
    static const QIcon icon = themed({"image-x-generic"}, QStyle::SP_FileIcon);
    return icon;
}
const QIcon& documentIcon() {
    static const QIcon icon = themed({"text-x-generic", "unknown"}, QStyle::SP_FileIcon);
    return icon;
}

// The symbols the panel draws itself where the icon theme has none: a magnifying glass and a
// clipboard.
QPixmap drawnSymbol(bool glass, int side, const QColor& color) {
    QPixmap pixmap(side * 2, side * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(color, std::max(1.5, side / 12.0), Qt::SolidLine, Qt::RoundCap));
    const double s = side;
    if (glass) {
        p.drawEllipse(QRectF(s * 0.12, s * 0.12, s * 0.55, s * 0.55));
        p.drawLine(QPointF(s * 0.6, s * 0.6), QPointF(s * 0.88, s * 0.88));
    } else {
        p.drawRoundedRect(QRectF(s * 0.2, s * 0.15, s * 0.6, s * 0.75), s * 0.08, s * 0.08);
        p.setBrush(color);
        p.drawRoundedRect(QRectF(s * 0.36, s * 0.08, s * 0.28, s * 0.14), s * 0.04, s * 0.04);
        for (int line = 0; line < 3; ++line) {
            const double y = s * (0.42 + 0.14 * line);
            p.drawLine(QPointF(s * 0.32, y), QPointF(s * (line == 2 ? 0.55 : 0.68), y));
        }
    }
    return pixmap;
}

QPixmap symbol(const char* themeName, bool glass, int side, const QColor& color) {
    const QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
    if (!icon.isNull()) return icon.pixmap(side, side);
    return drawnSymbol(glass, side, color);
}

// The picture scaled to fill a square of `side` pixels, read at that size, corners rounded.
constexpr qint64 kMaxThumbnailSourceBytes = qint64(256) << 20;

std::optional<QPixmap> readThumbnail(const QString& path, int side) {
    // Read as a regular file only: a pipe or device named like a picture would block here.
    const std::optional<QByteArray> bytes = readRegularFile(path, kMaxThumbnailSourceBytes);
    if (!bytes) return std::nullopt;
    QBuffer buffer;
    buffer.setData(*bytes);
    QImageReader reader(&buffer);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty()) {
        // Decoders that can scale while reading (JPEG) never build the full picture.
        reader.setScaledSize(full.scaled(side, side, Qt::KeepAspectRatioByExpanding));
    }
    const QImage image = reader.read();
    if (image.isNull()) return std::nullopt;
    const QImage filled =
        image.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    QPixmap square(side, side);
    square.fill(Qt::transparent);
    QPainter p(&square);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath clip;
    clip.addRoundedRect(QRectF(0, 0, side, side), kThumbnailRadius * side / 34.0,
                        kThumbnailRadius * side / 34.0);
    p.setClipPath(clip);
    p.drawImage(QPoint((side - filled.width()) / 2, (side - filled.height()) / 2), filled);
    return square;
}

// A drawn pin: a round head on a short needle; filled when the item is pinned.
void drawPin(QPainter& p, const QRectF& r, const QColor& color, bool filled, bool slashed) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, 1.5);
    p.setPen(pen);
    const QPointF c = r.center();
    const double s = std::min(r.width(), r.height()) / 2.0;
    const QRectF head(c.x() - s * 0.45, c.y() - s * 0.8, s * 0.9, s * 0.9);
    p.setBrush(filled ? QBrush(color) : Qt::NoBrush);
    p.drawEllipse(head);
    p.drawLine(QPointF(c.x(), head.bottom()), QPointF(c.x(), c.y() + s * 0.8));
    if (slashed)
        p.drawLine(QPointF(r.left() + 3, r.bottom() - 3), QPointF(r.right() - 3, r.top() + 3));
    p.restore();
}

// Draws a row and its two hover buttons, and turns clicks on those buttons into actions.
class RowDelegate final : public QStyledItemDelegate {
  public:
    RowDelegate(std::function<void(int)> pin, std::function<void(int)> paste, const L10n& l10n,
                QObject* parent)
        : QStyledItemDelegate(parent),
          pin_(std::move(pin)),
          paste_(std::move(paste)),
          l10n_(l10n) {}

    static QRect pasteRect(const QRect& row) {
        return QRect(row.right() - kRowPadding - kHoverButton,
                     row.top() + (row.height() - kHoverButton) / 2, kHoverButton, kHoverButton);
    }
    static QRect pinRect(const QRect& row) {
        return pasteRect(row).translated(-(kHoverButton + 4), 0);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        return QSize(option.rect.width(), kRowHeight);
    }

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        initStyleOption(&o, index);
        const QWidget* w = option.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        // The background: selection and hover, as the style draws them.
        o.text.clear();
        o.icon = QIcon();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &o, p, w);

        const bool selected = option.state & QStyle::State_Selected;
        const QPalette::ColorGroup group =
            option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
        const QColor textColor =
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text);
        QColor detailColor = textColor;
        detailColor.setAlphaF(0.6);

        const QRect r = option.rect;
        const int side = ClipListModel::kIconSize;
        const QRect iconRect(r.left() + kRowPadding, r.top() + (r.height() - side) / 2, side, side);
        const QVariant decoration = index.data(Qt::DecorationRole);
        if (decoration.canConvert<QPixmap>() &&
            index.data(ClipListModel::KindRole).toInt() == int(ClipItem::Kind::image)) {
            p->drawPixmap(iconRect, decoration.value<QPixmap>());
        } else {
            const QIcon icon = decoration.value<QIcon>();
            const int small =
                index.data(ClipListModel::KindRole).toInt() == int(ClipItem::Kind::text) ? 16
                                                                                         : side;
            icon.paint(p, QRect(iconRect.center().x() - small / 2 + 1,
                                iconRect.center().y() - small / 2 + 1, small, small));
        }

        const bool hovered = option.state & QStyle::State_MouseOver;
        const int textLeft = iconRect.right() + 10;
        const int textRight = (hovered ? pinRect(r).left() : r.right() - kRowPadding) - 6;
        QFont font = option.font;
        p->setFont(font);
        p->setPen(textColor);
        const QFontMetrics fm(font);
        QString preview = index.data(Qt::DisplayRole).toString();
        preview.replace(u'\n', u' ').replace(u'\t', u' ');
        const QRect previewRect(textLeft, r.top() + 7, textRight - textLeft, fm.height());
        p->drawText(previewRect, Qt::AlignLeft | Qt::AlignVCenter,
                    fm.elidedText(preview, Qt::ElideRight, previewRect.width()));

        QFont small = option.font;
        small.setPointSizeF(std::max(7.0, small.pointSizeF() - 1.5));
        p->setFont(small);
        p->setPen(detailColor);
        const QFontMetrics sfm(small);
        int detailsLeft = textLeft;
        const QRect detailsRow(textLeft, r.bottom() - 7 - sfm.height(), textRight - textLeft,
                               sfm.height());
        if (index.data(ClipListModel::PinnedRole).toBool()) {
            drawPin(*p, QRectF(detailsLeft, detailsRow.top(), sfm.height(), sfm.height()),
                    detailColor, true, false);
            detailsLeft += sfm.height() + 4;
        }
        const QRect detailsRect(detailsLeft, detailsRow.top(), textRight - detailsLeft,
                                sfm.height());
        p->drawText(detailsRect, Qt::AlignLeft | Qt::AlignVCenter,
                    sfm.elidedText(index.data(ClipListModel::DetailsRole).toString(),
                                   Qt::ElideRight, detailsRect.width()));

        if (hovered) {
            const bool pinned = index.data(ClipListModel::PinnedRole).toBool();
            drawPin(*p, pinRect(r).adjusted(4, 4, -4, -4), textColor, false, pinned);
            QFont arrow = option.font;
            arrow.setPointSizeF(option.font.pointSizeF() + 3);
            p->setFont(arrow);
            p->setPen(textColor);
            p->drawText(pasteRect(r), Qt::AlignCenter, QStringLiteral("↵"));
        }
    }

    bool editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override {
        const auto type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
            type != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton) return false;
        const QPoint at = mouse->position().toPoint();
        const bool onPin = pinRect(option.rect).contains(at);
        const bool onPaste = pasteRect(option.rect).contains(at);
        if (!onPin && !onPaste) return false;
        if (type == QEvent::MouseButtonRelease) (onPin ? pin_ : paste_)(index.row());
        return true;  // the buttons never change the selection
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (pinRect(option.rect).contains(event->pos())) {
            QToolTip::showText(event->globalPos(), l10n_.t(QStringLiteral("clip_panel_pin_help")),
                               view);
            return true;
        }
        if (pasteRect(option.rect).contains(event->pos())) {
            QToolTip::showText(event->globalPos(), l10n_.t(QStringLiteral("clip_panel_paste_help")),
                               view);
            return true;
        }
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    }

  private:
    std::function<void(int)> pin_, paste_;
    const L10n& l10n_;
};

}  // namespace

// --- rows ---------------------------------------------------------------------------------

ClipListModel::ClipListModel(ClipboardPanelModel& model, std::function<double()> now,
                             QObject* parent)
    : QAbstractListModel(parent),
      model_(model),
      now_(std::move(now)),
      thumbnails_(kThumbnailCacheRows) {}

int ClipListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(model_.visible().size());
}

const ClipItem* ClipListModel::item(int row) const {
    if (row < 0 || row >= int(model_.visible().size())) return nullptr;
    return &model_.visible()[row];
}

void ClipListModel::refresh() {
    beginResetModel();
    endResetModel();
}

QIcon ClipListModel::iconFor(const ClipItem& item) const {
    switch (item.kind) {
        case ClipItem::Kind::text:
            return textIcon();
        case ClipItem::Kind::image:
            return photoIcon();
        case ClipItem::Kind::files: {
            if (!item.paths || item.paths->empty()) return documentIcon();
            const QString& path = item.paths->front();
            auto it = fileIcons_.constFind(path);
            if (it != fileIcons_.constEnd()) return *it;
            QIcon icon = iconProvider_.icon(QFileInfo(path));
            if (icon.isNull()) icon = documentIcon();
            fileIcons_.insert(path, icon);
            return icon;
        }
    }
    return documentIcon();
}

QVariant ClipListModel::data(const QModelIndex& index, int role) const {
    const ClipItem* it = item(index.row());
    if (!it) return {};
    switch (role) {
        case Qt::DisplayRole:
            return model_.previewAt(index.row());
        case Qt::ToolTipRole:
            return it->kind == ClipItem::Kind::files && it->paths
                       ? QStringList(it->paths->begin(), it->paths->end()).join(u'\n')
                       : QVariant();
        case DetailsRole:
            return model_.details(*it, now_ ? now_() : 0);
        case PinnedRole:
            return it->pinned;
        case KindRole:
            return int(it->kind);
        case Qt::DecorationRole: {
            if (it->kind != ClipItem::Kind::image) return iconFor(*it);
            if (!it->paths || it->paths->empty()) return photoIcon();
            const QString& path = it->paths->front();
            if (QPixmap* cached = thumbnails_.object(path)) return *cached;
            ++thumbnailsRead_;
            const auto thumb = readThumbnail(path, kIconSize * 2);
            if (!thumb) return photoIcon();
            thumbnails_.insert(path, new QPixmap(*thumb));
            return *thumb;
        }
        default:
            return {};
    }
}

// --- the panel ------------------------------------------------------------------------------

ClipboardPanel::ClipboardPanel(const L10n& l10n, Actions actions)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint),
      l10n_(l10n),
      a_(std::move(actions)),
      model_(l10n) {
    setWindowTitle(l10n_.t(QStringLiteral("clip_panel_title")));
    setObjectName(QStringLiteral("QuendaClipboard"));
    setMinimumSize(kMinimumSize);
    resize(kDefaultSize);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 12, 12, 12);
    outer->setSpacing(8);

    // The search bar.
    auto* bar = new QHBoxLayout;
    auto* glass = new QLabel;
    glass->setPixmap(
        themed({"edit-find", "system-search"}, QStyle::SP_FileDialogContentsView).pixmap(18, 18));
    search_ = new QLineEdit;
    search_->setPlaceholderText(l10n_.t(QStringLiteral("clip_panel_search_placeholder")));
    search_->setFrame(false);
    QFont big = search_->font();
    big.setPointSizeF(big.pointSizeF() * 15.0 / 11.0);
    search_->setFont(big);
    search_->installEventFilter(this);
    count_ = new QLabel;
    QFont caption = count_->font();
    caption.setPointSizeF(std::max(7.0, caption.pointSizeF() - 1.5));
    count_->setFont(caption);
    count_->setForegroundRole(QPalette::PlaceholderText);
    bar->addWidget(glass);
    bar->addWidget(search_, 1);
    bar->addWidget(count_);
    outer->addLayout(bar);

    // The list, or what to say when it is empty.
    rows_ = new ClipListModel(model_, a_.now, this);
    list_ = new QListView;
    list_->setModel(rows_);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setUniformItemSizes(true);
    list_->setMouseTracking(true);
    list_->viewport()->setAttribute(Qt::WA_Hover);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setItemDelegate(new RowDelegate(
        [this](int row) {
            if (const ClipItem* it = rows_->item(row)) {
                if (a_.togglePin) a_.togglePin(it->id);
            }
        },
        [this](int row) { pasteRow(row, PasteMode::normal); }, l10n_, list_));
    list_->installEventFilter(this);
    list_->viewport()->installEventFilter(this);
    connect(list_, &QListView::doubleClicked, this,
            [this](const QModelIndex& index) { pasteRow(index.row(), PasteMode::normal); });
    connect(list_, &QListView::customContextMenuRequested, this, &ClipboardPanel::showMenu);
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ClipboardPanel::selectionChanged);

    auto* empty = new QWidget;
    auto* emptyLayout = new QVBoxLayout(empty);
    emptyLayout->addStretch();
    emptyIcon_ = new QLabel;
    emptyIcon_->setAlignment(Qt::AlignCenter);
    emptyIcon_->setPixmap(
        symbol("edit-paste", false, 34, palette().color(QPalette::PlaceholderText)));
    emptyText_ = new QLabel;
    emptyText_->setAlignment(Qt::AlignCenter);
    emptyText_->setForegroundRole(QPalette::PlaceholderText);
    emptyLayout->addWidget(emptyIcon_);
    emptyLayout->addWidget(emptyText_);
    emptyLayout->addStretch();

    stack_ = new QStackedWidget;
    stack_->addWidget(list_);
    stack_->addWidget(empty);
    outer->addWidget(stack_, 1);

    // The footer.
    auto* footer = new QHBoxLayout;
    auto* templateLabel = new QLabel(l10n_.t(QStringLiteral("clip_panel_template_label")));
    templates_ = new QComboBox;
    templates_->setFixedWidth(kTemplatePickerWidth);
    connect(templates_, &QComboBox::activated, this, [this](int index) {
        if (a_.setTemplateID) a_.setTemplateID(templates_->itemData(index).toString());
    });
    hint_ = new QLabel;
    hint_->setFont(caption);
    hint_->setForegroundRole(QPalette::PlaceholderText);
    // A narrow panel wraps the hint rather than pushing the buttons out.
    hint_->setWordWrap(true);
    hint_->setMinimumWidth(40);
    hint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    asFiles_ = new QPushButton(l10n_.t(QStringLiteral("clip_panel_as_files")));
    asFiles_->setToolTip(l10n_.t(QStringLiteral("clip_panel_as_files_help")));
    asFiles_->setAutoDefault(false);
    connect(asFiles_, &QPushButton::clicked, this, [this] { pasteTargets(PasteMode::asFiles); });
    pasteButton_ = new QPushButton;
    pasteButton_->setDefault(true);
    connect(pasteButton_, &QPushButton::clicked, this, [this] { pasteTargets(PasteMode::normal); });
    footer->addWidget(templateLabel);
    footer->addWidget(templates_);
    footer->addSpacing(8);
    footer->addWidget(hint_, 1);
    footer->addWidget(asFiles_);
    footer->addWidget(pasteButton_);
    outer->addLayout(footer);

    connect(search_, &QLineEdit::textChanged, this, &ClipboardPanel::queryChanged);
    connect(search_, &QLineEdit::returnPressed, this, [this] { pasteTargets(PasteMode::normal); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::hide);

    updateFooter();
}

void ClipboardPanel::open(const std::vector<ClipItem>& history) {
    model_.setItems(history);
    model_.reset();
    {
        const QSignalBlocker quiet(search_);
        search_->clear();
    }
    rows_->refresh();
    list_->clearSelection();
    fillTemplates();
    updateFooter();
    place();
    show();
    raise();
    activateWindow();
    search_->setFocus(Qt::OtherFocusReason);
    // Once the window manager has given the panel the keyboard, the field takes it.
    focusSearchOnActivation_ = true;
}

void ClipboardPanel::setHistory(const std::vector<ClipItem>& history) {
    model_.setItems(history);
    rows_->refresh();
    restoreSelection();
    updateFooter();
}

void ClipboardPanel::place() {
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    if (lastPlace_ && lastScreen_ == screen->name() &&
        area.intersects(QRect(*lastPlace_, size()))) {
        move(*lastPlace_);
        return;
    }
    const QSize s = size().boundedTo(area.size());
    resize(s);
    move(area.center().x() - s.width() / 2, area.center().y() - s.height() / 2 - 60);
}

void ClipboardPanel::hideEvent(QHideEvent* event) {
    if (QScreen* screen = this->screen()) {
        lastPlace_ = pos();
        lastScreen_ = screen->name();
    }
    QWidget::hideEvent(event);
}

void ClipboardPanel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow() &&
        std::exchange(focusSearchOnActivation_, false))
        search_->setFocus(Qt::ActiveWindowFocusReason);
    // Clicking elsewhere hides the panel; its own menus and pickers keep it.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow() &&
        !QApplication::activePopupWidget() && !QApplication::activeModalWidget()) {
        hide();
    }
    QWidget::changeEvent(event);
}

bool ClipboardPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) {
        if (a_.userTime) {
            const auto* input = static_cast<QInputEvent*>(event);
            a_.userTime(input->timestamp());
        }
    }
    if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == search_ && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
        // The arrows walk the list from the search field.
        if (rows_->rowCount() == 0) return true;
        list_->setFocus(Qt::OtherFocusReason);
        const QModelIndex first = rows_->index(0);
        if (!list_->currentIndex().isValid() || list_->selectionModel()->selection().isEmpty()) {
            list_->setCurrentIndex(first);
        }
        return true;
    }
    if (watched == list_ && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        pasteTargets(PasteMode::normal);
        return true;
    }
    if (watched == list_ && !key->text().isEmpty() && key->text().at(0).isPrint() &&
        !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        // Typing in the list goes on in the search field.
        search_->setFocus(Qt::OtherFocusReason);
        search_->insert(key->text());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void ClipboardPanel::queryChanged(const QString& text) {
    model_.setQuery(text);
    rows_->refresh();
    restoreSelection();
    updateFooter();
}

void ClipboardPanel::restoreSelection() {
    restoring_ = true;
    QItemSelection selection;
    for (int row = 0; row < rows_->rowCount(); ++row) {
        if (model_.selection().contains(rows_->item(row)->id))
            selection.select(rows_->index(row), rows_->index(row));
    }
    list_->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    restoring_ = false;
}

void ClipboardPanel::selectionChanged() {
    if (restoring_) return;
    // What the user selects among the visible rows; selected items the search hides stay
    // selected.
    QSet<QUuid> ids = model_.selection();
    for (int row = 0; row < rows_->rowCount(); ++row) ids.remove(rows_->item(row)->id);
    for (const QModelIndex& index : list_->selectionModel()->selectedIndexes()) {
        if (const ClipItem* it = rows_->item(index.row())) ids.insert(it->id);
    }
    model_.setSelection(std::move(ids));
    updateFooter();
}

void ClipboardPanel::updateFooter() {
    count_->setText(QString::number(model_.historyCount()));
    hint_->setText(model_.selectionHint());
    pasteButton_->setText(model_.pasteButtonTitle());
    pasteButton_->setEnabled(model_.canPaste());
    asFiles_->setEnabled(model_.canPaste());
    if (const auto empty = model_.emptyState()) {
        emptyText_->setText(*empty);
        stack_->setCurrentIndex(1);
    } else {
        stack_->setCurrentIndex(0);
    }
}

void ClipboardPanel::fillTemplates() {
    const QSignalBlocker quiet(templates_);
    templates_->clear();
    templates_->addItem(l10n_.t(QStringLiteral("clip_panel_template_none")),
                        QStringLiteral("none"));
    if (a_.templates) {
        for (const PromptTemplate& t : a_.templates()) templates_->addItem(t.name, t.id);
    }
    const QString current = a_.templateID ? a_.templateID() : QStringLiteral("none");
    const int index = templates_->findData(current);
    templates_->setCurrentIndex(index < 0 ? 0 : index);
}

void ClipboardPanel::pasteTargets(PasteMode mode) {
    const auto targets = model_.targetItems();
    if (targets.empty() || !a_.paste) return;
    a_.paste(targets, mode);
}

void ClipboardPanel::pasteRow(int row, PasteMode mode) {
    const ClipItem* it = rows_->item(row);
    if (!it || !a_.paste) return;
    const ClipItem chosen = *it;  // the history may change while pasting
    a_.paste({chosen}, mode);
}

void ClipboardPanel::showMenu(const QPoint& at) {
    const ClipItem* it = rows_->item(list_->indexAt(at).row());
    if (!it) return;
    const std::unique_ptr<QMenu> menu = menuFor(*it);
    menu->exec(list_->viewport()->mapToGlobal(at));
}

std::unique_ptr<QMenu> ClipboardPanel::menuFor(const ClipItem& item) {
    // Owned by the caller alone: a parent would delete it a second time.
    auto owned = std::make_unique<QMenu>();
    QMenu& menu = *owned;
    menu.addAction(l10n_.t(QStringLiteral("clip_menu_paste")), this,
                   [this, item] { a_.paste({item}, PasteMode::normal); });
    menu.addAction(l10n_.t(QStringLiteral("clip_menu_paste_as_file")), this,
                   [this, item] { a_.paste({item}, PasteMode::asFiles); });
    menu.addAction(l10n_.t(QStringLiteral("clip_menu_copy")), this, [this, item] {
        if (a_.copy) a_.copy({item}, PasteMode::normal);
    });
    menu.addSeparator();
    menu.addAction(
        l10n_.t(item.pinned ? QStringLiteral("clip_menu_unpin") : QStringLiteral("clip_menu_pin")),
        this, [this, item] {
            if (a_.togglePin) a_.togglePin(item.id);
        });
    if (item.kind != ClipItem::Kind::text) {
        menu.addAction(l10n_.t(QStringLiteral("clip_menu_reveal")), this, [this, item] {
            if (a_.reveal) a_.reveal(item);
        });
    }
    QAction* shelf =
        menu.addAction(l10n_.t(QStringLiteral("clip_menu_add_to_shelf")), this, [this, item] {
            if (a_.addToShelf) a_.addToShelf(item);
        });
    shelf->setEnabled(bool(a_.addToShelf));
    menu.addSeparator();
    QAction* remove =
        menu.addAction(themed({"edit-delete"}, QStyle::SP_TrashIcon),
                       l10n_.t(QStringLiteral("clip_menu_delete")), this, [this, item] {
                           if (a_.remove) a_.remove(item.id);
                       });
    remove->setObjectName(QStringLiteral("destructive"));
    return owned;
}

}  // namespace quenda
