#include "views/ShelfPanel.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QDrag>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QMimeData>
#include <QMimeDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/RegularFile.h"

namespace quenda {

namespace {

QIcon themed(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

QToolButton* iconButton(QWidget* parent, const QIcon& icon, const QString& help,
                        const QString& name) {
    auto* button = new QToolButton(parent);
    button->setIcon(icon);
    button->setToolTip(help);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setObjectName(name);
    button->setIconSize(QSize(16, 16));
    return button;
}

// Pixels of the primary screen's top-left corner in Qt's global coordinates: the desktop's
// coordinates start there.
QPoint desktopOrigin() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().topLeft() : QPoint();
}

// Asks the window manager to show the window on every virtual desktop, as the shelf follows
// the user around: _NET_WM_DESKTOP 0xFFFFFFFF and the sticky state, both read when the
// window is mapped. openbox takes either; xfwm4 takes the state only (the desktop number
// alone puts the window on its last desktop).
void showOnAllDesktops(QWidget& window) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection()) return;
    xcb_connection_t* c = x11->connection();
    const auto intern = [c](const char* name) -> xcb_atom_t {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t atom = r ? r->atom : XCB_ATOM_NONE;
        std::free(r);
        return atom;
    };
    const auto window_id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t desktop = intern("_NET_WM_DESKTOP");
    const xcb_atom_t state = intern("_NET_WM_STATE");
    const xcb_atom_t sticky = intern("_NET_WM_STATE_STICKY");
    if (desktop != XCB_ATOM_NONE) {
        const uint32_t all = 0xFFFFFFFF;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_id, desktop, XCB_ATOM_CARDINAL, 32, 1,
                            &all);
    }
    // Appended once: Qt keeps the states it finds on an unmapped window and adds its own.
    if (state != XCB_ATOM_NONE && sticky != XCB_ATOM_NONE) {
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window_id, state, XCB_ATOM_ATOM, 0, 64), nullptr);
        const auto* states =
            r ? static_cast<const xcb_atom_t*>(xcb_get_property_value(r)) : nullptr;
        const int count = r && r->format == 32 ? xcb_get_property_value_length(r) / 4 : 0;
        const bool present = std::find(states, states + count, sticky) != states + count;
        std::free(r);
        if (!present)
            xcb_change_property(c, XCB_PROP_MODE_APPEND, window_id, state, XCB_ATOM_ATOM, 32, 1,
                                &sticky);
    }
    xcb_flush(c);
}

QByteArray pngOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
    return bytes;
}

}  // namespace

ShelfPanel::ShelfPanel(ShelfStore& store, ShelfController& controller, DesktopOpener& opener,
                       const L10n& l10n)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus),
      store_(store),
      controller_(controller),
      opener_(opener),
      l10n_(l10n) {
    setWindowTitle(l10n_.t(QStringLiteral("shelf_title")));
    setObjectName(QStringLiteral("QuendaShelf"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setAcceptDrops(true);
    setMinimumSize(int(ShelfController::kMinWidth), int(ShelfController::kMinHeight));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->setSpacing(6);

    auto* toolbar = new QHBoxLayout;
    toolbar->setSpacing(2);
    auto* add = iconButton(this, themed("edit-paste", QStyle::SP_ArrowDown),
                           l10n_.t(QStringLiteral("shelf_add_help")), QStringLiteral("add"));
    auto* copyAll =
        iconButton(this, themed("edit-copy", QStyle::SP_FileDialogDetailedView),
                   l10n_.t(QStringLiteral("shelf_copy_all_help")), QStringLiteral("copyAll"));
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("count"));
    clear_ = iconButton(this, themed("user-trash", QStyle::SP_TrashIcon),
                        l10n_.t(QStringLiteral("shelf_clear_help")), QStringLiteral("clear"));
    toolbar->addWidget(add);
    toolbar->addWidget(copyAll);
    toolbar->addStretch(1);
    toolbar->addWidget(count_);
    toolbar->addWidget(clear_);
    layout->addLayout(toolbar);
    connect(add, &QToolButton::clicked, this, [this] { store_.addFromClipboard(); });
    connect(copyAll, &QToolButton::clicked, this, [this] { store_.copyAll(); });
    connect(clear_, &QToolButton::clicked, this, [this] { store_.clear(); });

    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setWidgetResizable(true);
    scroll_->setFocusPolicy(Qt::NoFocus);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    list_ = new QWidget;
    list_->setAutoFillBackground(false);
    listLayout_ = new QVBoxLayout(list_);
    listLayout_->setContentsMargins(0, 0, 0, 0);
    listLayout_->setSpacing(2);
    listLayout_->addStretch(1);
    scroll_->setWidget(list_);
    layout->addWidget(scroll_, 1);

    empty_ = new QLabel(this);
    empty_->setObjectName(QStringLiteral("empty"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setWordWrap(true);
    const QPixmap tray = themed("document-save", QStyle::SP_DriveFDIcon).pixmap(34, 34);
    QByteArray trayPng;
    QBuffer trayBuffer(&trayPng);
    if (trayBuffer.open(QIODevice::WriteOnly)) tray.save(&trayBuffer, "PNG");
    empty_->setText(QStringLiteral("<img src=\"data:image/png;base64,%1\"><br><br>%2")
                        .arg(QString::fromLatin1(trayPng.toBase64()),
                             l10n_.t(QStringLiteral("shelf_empty"))
                                 .toHtmlEscaped()
                                 .replace(QLatin1Char('\n'), QStringLiteral("<br>"))));
    empty_->setTextFormat(Qt::RichText);
    QPalette hint = empty_->palette();
    hint.setColor(QPalette::WindowText, hint.color(QPalette::PlaceholderText));
    empty_->setPalette(hint);
    layout->addWidget(empty_, 1);

    frameSettled_.setSingleShot(true);
    frameSettled_.setInterval(400);
    connect(&frameSettled_, &QTimer::timeout, this, [this] { reportFrame(); });

    store_.observe([this, alive = QPointer<ShelfPanel>(this)] {
        if (!alive || rebuildPending_) return;
        // Rows may be what asked for the change: they go once their click is over. Changes
        // that come together are drawn once.
        rebuildPending_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                rebuildPending_ = false;
                rebuild();
            },
            Qt::QueuedConnection);
    });
    rebuild();
}

ShelfPanel::~ShelfPanel() = default;

void ShelfPanel::rebuild() {
    for (ShelfRow* row : rows_) {
        row->hide();
        row->deleteLater();
    }
    rows_.clear();
    int index = 0;
    for (const ShelfItem& item : store_.items()) {
        auto* row = new ShelfRow(*this, item);
        listLayout_->insertWidget(index++, row);
        rows_.push_back(row);
    }
    const bool empty = rows_.empty();
    scroll_->setVisible(!empty);
    empty_->setVisible(empty);
    clear_->setEnabled(!empty);
    count_->setText(QString::number(rows_.size()));
    // Thumbnails of files no longer on the shelf are let go.
    QHash<QString, QPixmap> kept;
    for (const ShelfItem& item : store_.items()) {
        if (!item.path) continue;
        for (auto it = thumbnails_.constBegin(); it != thumbnails_.constEnd(); ++it)
            if (it.key().startsWith(*item.path + QLatin1Char('@'))) kept.insert(it.key(), *it);
    }
    thumbnails_ = std::move(kept);
}

QPixmap ShelfPanel::iconFor(const ShelfItem& item, int size) {
    if (item.kind == ShelfItem::Kind::text)
        return themed("format-text-blockquote", QStyle::SP_FileDialogContentsView).pixmap(18, 18);
    if (!item.path) return themed("text-x-generic", QStyle::SP_FileIcon).pixmap(size, size);
    if (item.isImage()) {
        const QString key = *item.path + QLatin1Char('@') + QString::number(size);
        if (auto it = thumbnails_.constFind(key); it != thumbnails_.constEnd()) return *it;
        // Read as a regular file only: a pipe or device named like a picture would block.
        const std::optional<QByteArray> bytes = readRegularFile(*item.path, qint64(256) << 20);
        QBuffer buffer;
        if (bytes) buffer.setData(*bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QSize full = reader.size();
        if (full.isValid() && !full.isEmpty())
            reader.setScaledSize(full.scaled(size, size, Qt::KeepAspectRatioByExpanding));
        const QImage image = reader.read();
        if (!image.isNull()) {
            QPixmap rounded(size, size);
            rounded.fill(Qt::transparent);
            QPainter p(&rounded);
            p.setRenderHint(QPainter::Antialiasing);
            QPainterPath clip;
            clip.addRoundedRect(QRectF(0, 0, size, size), 5, 5);
            p.setClipPath(clip);
            p.drawImage(QPoint((size - image.width()) / 2, (size - image.height()) / 2), image);
            p.end();
            thumbnails_.insert(key, rounded);
            return rounded;
        }
    }
    static const QMimeDatabase types;
    const QMimeType type = types.mimeTypeForFile(*item.path);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(
            QFileInfo(*item.path).isDir() ? QStyle::SP_DirIcon : QStyle::SP_FileIcon);
    return icon.pixmap(size, size);
}

std::vector<ShelfDrop> ShelfPanel::dropsFrom(const QMimeData& mime) {
    std::vector<ShelfDrop> drops;
    std::optional<QByteArray> png;
    if (mime.hasImage()) {
        const QImage image = qvariant_cast<QImage>(mime.imageData());
        if (!image.isNull()) png = pngOf(image);
    }
    if (mime.hasUrls()) {
        for (const QUrl& url : mime.urls()) {
            ShelfDrop drop;
            if (url.isLocalFile()) {
                drop.file = url.toLocalFile();
            } else if (png) {
                // A picture dragged from a web page: the picture, not its address.
                drop.png = std::exchange(png, std::nullopt);
            } else if (url.isValid() && !url.isEmpty()) {
                drop.url = url.toString(QUrl::FullyEncoded);
            } else {
                continue;
            }
            drops.push_back(std::move(drop));
        }
        if (!drops.empty()) return drops;
    }
    ShelfDrop drop;
    if (png) {
        drop.png = std::move(png);
    } else if (mime.hasText()) {
        drop.text = mime.text();
    } else {
        return {};
    }
    return {drop};
}

QMimeData* ShelfPanel::dragData(const ShelfItem& item) {
    const ShelfDrag drag = ShelfStore::drag(item);
    auto* mime = new QMimeData;
    if (drag.file) {
        mime->setUrls({QUrl::fromLocalFile(*drag.file)});
    } else if (drag.text) {
        mime->setText(*drag.text);
    }
    return mime;
}

void ShelfPanel::orderFront() {
    if (!isVisible()) showOnAllDesktops(*this);
    show();
    raise();
}

void ShelfPanel::orderOut() {
    hide();
}

void ShelfPanel::setFrame(const Rect& frame) {
    placing_ = true;
    const QPoint origin = desktopOrigin();
    setGeometry(int(std::lround(origin.x() + frame.x)), int(std::lround(origin.y() + frame.y)),
                int(std::lround(frame.width)), int(std::lround(frame.height)));
    placing_ = false;
}

Rect ShelfPanel::desktopFrame() const {
    const QPoint origin = desktopOrigin();
    const QRect g = geometry();
    return {double(g.x() - origin.x()), double(g.y() - origin.y()), double(g.width()),
            double(g.height())};
}

void ShelfPanel::reportFrame() {
    if (isVisible()) controller_.frameChanged(desktopFrame());
}

void ShelfPanel::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!placing_ && isVisible()) frameSettled_.start();
}

void ShelfPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!placing_ && isVisible()) frameSettled_.start();
}

void ShelfPanel::closeEvent(QCloseEvent* event) {
    // Closing only hides: the panel and its place are kept for the next time.
    if (frameSettled_.isActive()) {
        frameSettled_.stop();
        reportFrame();
    }
    event->ignore();
    hide();
}

void ShelfPanel::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (!mime || !(mime->hasUrls() || mime->hasImage() || mime->hasText())) return;
    // Rows dragged within the panel are already on the shelf.
    if (const auto* source = qobject_cast<QWidget*>(event->source());
        source && source->window() == this)
        return;
    event->setDropAction(Qt::CopyAction);
    event->accept();
    dropHover_ = true;
    update();
}

void ShelfPanel::dragMoveEvent(QDragMoveEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ShelfPanel::dragLeaveEvent(QDragLeaveEvent* event) {
    QWidget::dragLeaveEvent(event);
    dropHover_ = false;
    update();
}

void ShelfPanel::dropEvent(QDropEvent* event) {
    dropHover_ = false;
    update();
    if (!event->mimeData()) return;
    if (store_.accept(dropsFrom(*event->mimeData()))) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ShelfPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (dropHover_) {
        QColor accent = palette().color(QPalette::Highlight);
        accent.setAlphaF(0.15f);
        p.fillRect(rect(), accent);
    }
}

// --- rows ---------------------------------------------------------------------------------

ShelfRow::ShelfRow(ShelfPanel& panel, const ShelfItem& item)
    : QWidget(panel.list_), panel_(panel), item_(item) {
    setAttribute(Qt::WA_Hover);
    setObjectName(QStringLiteral("row"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(8);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setFixedSize(ShelfPanel::kIconSize, ShelfPanel::kIconSize);
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(panel_.iconFor(item_, ShelfPanel::kIconSize));
    layout->addWidget(icon, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    if (item_.kind == ShelfItem::Kind::file) {
        auto* name = new QLabel(this);
        name->setObjectName(QStringLiteral("name"));
        QFont font = name->font();
        font.setPointSizeF(12);
        font.setWeight(QFont::Medium);
        name->setFont(font);
        // One line however the name is spelt: a line break in a file name shows as a space.
        QString shown = item_.fileName();
        shown.replace(QLatin1Char('\n'), QLatin1Char(' '));
        name->setText(QFontMetrics(font).elidedText(shown, Qt::ElideMiddle, 180));
        name->setToolTip(item_.path.value_or(QString()));
        name->setTextFormat(Qt::PlainText);
        auto* caption = new QLabel(panel_.l10n_.t(QStringLiteral("shelf_drag_caption")), this);
        caption->setObjectName(QStringLiteral("caption"));
        QFont small = caption->font();
        small.setPointSizeF(9.5);
        caption->setFont(small);
        QPalette muted = caption->palette();
        muted.setColor(QPalette::WindowText, muted.color(QPalette::PlaceholderText));
        caption->setPalette(muted);
        texts->addWidget(name);
        texts->addWidget(caption);
    } else {
        auto* text = new QLabel(this);
        text->setObjectName(QStringLiteral("text"));
        QFont font = text->font();
        font.setPointSizeF(11.5);
        text->setFont(font);
        text->setTextFormat(Qt::PlainText);
        text->setWordWrap(true);
        // At most four lines of a long text.
        const QString whole = item_.text.value_or(QString());
        QStringList lines = whole.left(600).split(QLatin1Char('\n'));
        if (lines.size() > 4) lines = lines.mid(0, 4);
        QString shown = lines.join(QLatin1Char('\n'));
        if (shown.size() < whole.size()) shown += QChar(0x2026);
        text->setText(shown);
        texts->addWidget(text);
    }
    layout->addLayout(texts, 1);

    const L10n& t = panel_.l10n_;
    ShelfStore& store = panel_.store_;
    const QUuid id = item_.id;
    auto add = [&](QToolButton* button) {
        layout->addWidget(button, 0, Qt::AlignTop);
        buttons_.push_back(button);
    };
    auto* copy = iconButton(this, themed("edit-copy", QStyle::SP_FileDialogDetailedView),
                            t.t(QStringLiteral("shelf_copy_help")), QStringLiteral("copy"));
    connect(copy, &QToolButton::clicked, this, [&store, item = item_] { store.copy(item); });
    add(copy);
    if (item_.kind == ShelfItem::Kind::text) {
        auto* convert =
            iconButton(this, themed("document-new", QStyle::SP_FileIcon),
                       t.t(QStringLiteral("shelf_convert_help")), QStringLiteral("convert"));
        connect(convert, &QToolButton::clicked, this, [&store, id] { store.convertToFile(id); });
        add(convert);
    }
    if (item_.kind == ShelfItem::Kind::file && item_.path) {
        auto* reveal =
            iconButton(this, themed("folder", QStyle::SP_DirIcon),
                       t.t(QStringLiteral("shelf_reveal_help")), QStringLiteral("reveal"));
        DesktopOpener& opener = panel_.opener_;
        connect(reveal, &QToolButton::clicked, this,
                [&opener, path = *item_.path] { opener.reveal(path); });
        add(reveal);
    }
    auto* remove = iconButton(this, themed("edit-delete", QStyle::SP_DialogCloseButton),
                              t.t(QStringLiteral("shelf_remove_help")), QStringLiteral("remove"));
    connect(remove, &QToolButton::clicked, this, [&store, id] { store.remove(id); });
    add(remove);
    setButtonsShown(underMouse());
}

QToolButton* ShelfRow::button(const QString& name) const {
    for (QToolButton* b : buttons_)
        if (b->objectName() == name) return b;
    return nullptr;
}

void ShelfRow::setButtonsShown(bool shown) {
    // Hidden buttons keep their room, so the text does not jump under the pointer.
    for (QToolButton* b : buttons_) {
        QSizePolicy policy = b->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        b->setSizePolicy(policy);
        b->setVisible(shown);
    }
}

void ShelfRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setButtonsShown(true);
}

void ShelfRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setButtonsShown(false);
}

void ShelfRow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressAt_ = event->position().toPoint();
        pressed_ = true;
    }
    QWidget::mousePressEvent(event);
}

void ShelfRow::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !(event->buttons() & Qt::LeftButton)) return;
    if ((event->position().toPoint() - pressAt_).manhattanLength() <
        QApplication::startDragDistance())
        return;
    pressed_ = false;
    if (item_.kind == ShelfItem::Kind::file && !item_.path) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(ShelfPanel::dragData(item_));
    drag->setPixmap(panel_.iconFor(item_, ShelfPanel::kIconSize));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

}  // namespace quenda
