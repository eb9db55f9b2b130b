#include "views/OverviewWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDrag>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "layouts/Layout.h"
#include "views/Compositing.h"

namespace quenda {

namespace {

constexpr int kMargin = 28;
constexpr int kSpacing = 14;
constexpr int kPanelPadding = 14;
constexpr int kCardMinWidth = 170, kCardMaxWidth = 240, kCardSpacing = 12;
constexpr int kCardPicture = 110;
constexpr int kCardHeight = 8 + kCardPicture + 6 + 34 + 8;
constexpr int kGroupMinWidth = 250, kGroupMaxWidth = 360, kGroupSpacing = 14;
constexpr int kNewGroupHeight = 170;
constexpr int kDisarmMs = 3000;
const QColor kBackdrop(18, 18, 22);
const QColor kText(240, 240, 244);
const QColor kSecondary(170, 170, 178);

QColor white(double opacity) {
    return QColor(255, 255, 255, int(std::lround(opacity * 255)));
}
QColor black(double opacity) {
    return QColor(0, 0, 0, int(std::lround(opacity * 255)));
}

QPixmap toPixmap(const Picture& picture) {
    if (!picture.isValid()) return {};
    const QImage image(reinterpret_cast<const uchar*>(picture.argb.constData()), picture.width,
                       picture.height, picture.width * 4, QImage::Format_ARGB32);
    return QPixmap::fromImage(image.copy());
}

void fillRounded(QPainter& p, const QRectF& r, double radius, const QColor& colour) {
    QPainterPath path;
    path.addRoundedRect(r, radius, radius);
    p.fillPath(path, colour);
}

// The picture filling `r` (cropped), else the icon fitted into 44 × 44, on a faint ground.
void drawPicture(QPainter& p, const QRectF& r, const QPixmap& picture, const QPixmap& icon,
                 double radius) {
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(r, radius, radius);
    p.setClipPath(clip);
    p.fillRect(r, white(0.08));
    if (!picture.isNull()) {
        const QSizeF size = QSizeF(picture.size()).scaled(r.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(r.center().x() - size.width() / 2, r.center().y() - size.height() / 2,
                            size.width(), size.height());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(target, picture, QRectF(picture.rect()));
    } else if (!icon.isNull()) {
        const QSizeF size = QSizeF(icon.size()).scaled(QSizeF(44, 44), Qt::KeepAspectRatio);
        p.drawPixmap(QRectF(r.center().x() - size.width() / 2, r.center().y() - size.height() / 2,
                            size.width(), size.height()),
                     icon, QRectF(icon.rect()));
    }
    p.restore();
}

QLabel* label(const QString& text, int points, QFont::Weight weight, const QColor& colour) {
    auto* l = new QLabel(text);
    QFont f = l->font();
    f.setPointSize(points);
    f.setWeight(weight);
    l->setFont(f);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

// The power sign (U+23FB) is missing from most fonts, DejaVu's and Noto's included, and
// would show as an empty box: where the label's font lacks it, the APL circle stile
// (U+233D), which DejaVu Sans Mono draws and looks the same, takes its place.
QString drawableGlyphs(QString text, const QFont& font) {
    constexpr char32_t kPower = 0x23FB, kCircleStile = 0x233D;
    if (!QFontMetrics(font).inFontUcs4(kPower))
        text.replace(QString::fromUcs4(&kPower, 1), QString::fromUcs4(&kCircleStile, 1));
    return text;
}

// A round button on dark glass, painted here (style sheets would cost every card a
// polish); "power" is drawn, as many fonts lack its symbol.
class RoundButton final : public QToolButton {
  public:
    using QToolButton::QToolButton;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(black(underMouse() ? 0.85 : 0.65));
        p.drawEllipse(QRectF(rect()));
        if (text() == QLatin1String("power")) {
            const QRectF r = QRectF(rect()).adjusted(width() * 0.27, height() * 0.27,
                                                     -width() * 0.27, -height() * 0.27);
            p.setPen(QPen(Qt::white, std::max(1.5, width() / 12.0), Qt::SolidLine, Qt::RoundCap));
            p.setBrush(Qt::NoBrush);
            p.drawArc(r, (90 + 35) * 16, (360 - 70) * 16);
            p.drawLine(QPointF(r.center().x(), r.top() - 1),
                       QPointF(r.center().x(), r.center().y()));
            return;
        }
        QFont f = font();
        f.setPixelSize(std::max(8, height() - 9));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(rect(), Qt::AlignCenter, text());
    }
};

QToolButton* roundButton(const QString& glyph, const QString& help, int size) {
    auto* b = new RoundButton;
    b->setText(glyph);
    b->setToolTip(help);
    b->setFixedSize(size + 4, size + 4);
    b->setCursor(Qt::PointingHandCursor);
    b->setAttribute(Qt::WA_Hover);
    return b;
}

// A widget that starts a drag of an item's id after the pointer moved far enough.
class DragSource {
  public:
    DragSource(QWidget* self, OverviewWindow& window) : self_(self), window_(window) {}
    void press(QMouseEvent* e) {
        if (e->button() == Qt::LeftButton) from_ = e->position().toPoint();
    }
    void move(QMouseEvent* e, const QUuid& id) {
        if (!(e->buttons() & Qt::LeftButton) || id.isNull()) return;
        if ((e->position().toPoint() - from_).manhattanLength() < QApplication::startDragDistance())
            return;
        auto* drag = new QDrag(self_);
        auto* data = new QMimeData;
        data->setText(id.toString(QUuid::WithoutBraces));
        drag->setMimeData(data);
        const QPixmap look = self_->grab();
        drag->setPixmap(
            look.scaledToWidth(std::min(160, std::max(1, look.width())), Qt::SmoothTransformation));
        drag->setHotSpot(QPoint(16, 16));
        OverviewWindow& window = window_;
        window.dragStarted();
        drag->exec(Qt::MoveAction);
        // This widget may be gone once the move runs: nothing of it is touched after.
        window.dragFinished();
    }

  private:
    QWidget* self_;
    OverviewWindow& window_;
    QPoint from_;
};

// A target for dragged ids; highlights itself while a drag hovers.
class DropTarget {
  public:
    explicit DropTarget(QWidget* self) : self_(self) { self->setAcceptDrops(true); }
    bool targeted() const { return targeted_; }
    void enter(QDragEnterEvent* e) {
        if (!e->mimeData()->hasText()) return;
        e->acceptProposedAction();
        set(true);
    }
    void leave() { set(false); }
    // The dropped text, once accepted.
    QString drop(QDropEvent* e) {
        set(false);
        if (!e->mimeData()->hasText()) return {};
        e->acceptProposedAction();
        return e->mimeData()->text();
    }

  private:
    void set(bool on) {
        targeted_ = on;
        self_->update();
    }
    QWidget* self_;
    bool targeted_ = false;
};

// Children placed in rows of equal columns between a minimum and a maximum width.
class FlowGrid final : public QWidget {
  public:
    FlowGrid(int minWidth, int maxWidth, int spacing, std::function<int(int)> heightFor)
        : min_(minWidth), max_(maxWidth), spacing_(spacing), heightFor_(std::move(heightFor)) {}
    void add(QWidget* w) {
        w->setParent(this);
        items_.push_back(w);
    }

  protected:
    void resizeEvent(QResizeEvent*) override { place(); }
    void showEvent(QShowEvent*) override { place(); }

  private:
    void place() {
        const int width = std::max(1, this->width());
        const int columns = std::max(1, (width + spacing_) / (min_ + spacing_));
        const int cell = std::min(max_, (width - (columns - 1) * spacing_) / columns);
        int x = 0, y = 0, rowHeight = 0, column = 0;
        for (QWidget* w : items_) {
            const int h = heightFor_(cell);
            w->setGeometry(x, y, cell, h);
            w->show();
            rowHeight = std::max(rowHeight, h);
            if (++column == columns) {
                column = 0;
                x = 0;
                y += rowHeight + spacing_;
                rowHeight = 0;
            } else {
                x += cell + spacing_;
            }
        }
        const int total = y + rowHeight;
        if (minimumHeight() != total) setMinimumHeight(total);
    }
    int min_, max_, spacing_;
    std::function<int(int)> heightFor_;
    std::vector<QWidget*> items_;
};

// A panel on a rounded, faintly lighter ground.
class Panel : public QWidget {
  public:
    explicit Panel(double opacity = 0.05) : opacity_(opacity) {}
    double opacity_;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        fillRounded(p, rect(), 14, white(opacity_));
    }
};

class ThumbCard final : public QWidget {
  public:
    ThumbCard(OverviewWindow& window, OverviewItemPtr item)
        : window_(window), item_(std::move(item)), source_(this, window) {
        setObjectName(QStringLiteral("card"));
        setAttribute(Qt::WA_Hover);
        if (item_->wid) window.showsPicture(*item_->wid, this);
    }

  protected:
    void resizeEvent(QResizeEvent*) override { placeButtons(); }
    void enterEvent(QEnterEvent*) override { setHover(true); }
    void leaveEvent(QEvent*) override { setHover(false); }
    void mousePressEvent(QMouseEvent* e) override { source_.press(e); }
    void mouseMoveEvent(QMouseEvent* e) override { source_.move(e, item_->id); }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        fillRounded(p, rect(), 10, white(hover_ ? 0.13 : 0.06));
        const QRectF picture(8, 8, width() - 16, kCardPicture);
        const QPixmap icon = window_.icon(*item_);
        drawPicture(p, picture, window_.thumbnail(*item_), icon, 8);
        if (item_->minimized) {
            QFont f = font();
            f.setPointSize(9);
            f.setWeight(QFont::DemiBold);
            p.setFont(f);
            const QString badge = window_.l10n().t("overview_minimized");
            const QRectF text = QFontMetricsF(f).boundingRect(badge);
            const QRectF capsule(picture.left() + 5, picture.top() + 5, text.width() + 12,
                                 text.height() + 4);
            fillRounded(p, capsule, capsule.height() / 2, black(0.6));
            p.setPen(Qt::white);
            p.drawText(capsule, Qt::AlignCenter, badge);
        }
        double x = 8;
        const double footer = picture.bottom() + 6;
        if (!icon.isNull()) {
            p.drawPixmap(QRectF(x, footer + 1, 16, 16), icon, QRectF(icon.rect()));
            x += 22;
        }
        QFont name = font();
        name.setPointSize(11);
        name.setWeight(QFont::DemiBold);
        QFont small = font();
        small.setPointSize(9);
        const QString memory = window_.store().memoryText(*item_);
        const double memoryWidth = QFontMetricsF(small).horizontalAdvance(memory);
        p.setFont(name);
        p.setPen(kText);
        const QRectF nameRect(x, footer, width() - 8 - x - memoryWidth - 4, 17);
        p.drawText(
            nameRect, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(name).elidedText(item_->appName, Qt::ElideRight, nameRect.width()));
        p.setFont(small);
        p.setPen(kSecondary);
        p.drawText(QRectF(width() - 8 - memoryWidth, footer, memoryWidth, 17),
                   Qt::AlignRight | Qt::AlignVCenter, memory);
        QFont title = font();
        title.setPointSize(10);
        p.setFont(title);
        const QRectF titleRect(x, footer + 17, width() - 8 - x, 15);
        p.drawText(
            titleRect, Qt::AlignLeft | Qt::AlignVCenter,
            QFontMetricsF(title).elidedText(item_->title, Qt::ElideRight, titleRect.width()));
    }

  private:
    // The action buttons show only under the pointer: made the first time it comes, so
    // that opening the organiser builds none of them.
    void makeButtons() {
        auto* buttons = new QWidget(this);
        auto* row = new QHBoxLayout(buttons);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(4);
        const L10n& t = window_.l10n();
        const QString app = item_->appName;
        const int32_t pid = item_->pid();
        const QUuid id = item_->id;
        OverviewStore& store = window_.store();
        auto* hide = roundButton(QStringLiteral("👁"), t.format("overview_hide_help", {app}), 19);
        auto* quit =
            roundButton(QStringLiteral("power"), t.format("overview_quit_help", {app}), 19);
        auto* close = roundButton(QStringLiteral("✕"), t.t("overview_close_help"), 19);
        QObject::connect(hide, &QToolButton::clicked, [&store, pid] { store.hideApp(pid); });
        QObject::connect(quit, &QToolButton::clicked, [&store, pid] { store.quitApp(pid); });
        QObject::connect(close, &QToolButton::clicked, [&store, id] { store.closeWindow(id); });
        row->addWidget(hide);
        row->addWidget(quit);
        row->addWidget(close);
        buttons_ = buttons;
        placeButtons();
    }
    void placeButtons() {
        if (!buttons_) return;
        buttons_->adjustSize();
        buttons_->move(width() - 8 - 5 - buttons_->width(), 8 + 5);
    }
    void setHover(bool on) {
        hover_ = on;
        if (on && !buttons_) makeButtons();
        if (buttons_) buttons_->setVisible(on);
        update();
    }
    OverviewWindow& window_;
    OverviewItemPtr item_;
    DragSource source_;
    QWidget* buttons_ = nullptr;
    bool hover_ = false;
};

class SlotView final : public QWidget {
  public:
    SlotView(OverviewWindow& window, OverviewItemPtr item, int number)
        : window_(window), item_(std::move(item)), number_(number), source_(this, window) {
        setAttribute(Qt::WA_Hover);
        if (!item_) return;
        OverviewStore& store = window.store();
        const QUuid id = item_->id;
        takeOut_ = roundButton(QStringLiteral("↩"), window.l10n().t("overview_take_out_help"), 17);
        takeOut_->setParent(this);
        takeOut_->hide();
        QObject::connect(takeOut_, &QToolButton::clicked, [&store, id] { store.moveToPool(id); });
        if (item_->wid) window.showsPicture(*item_->wid, this);
    }

  protected:
    void resizeEvent(QResizeEvent*) override {
        if (takeOut_) takeOut_->move(width() - takeOut_->width() - 4, 4);
    }
    void enterEvent(QEnterEvent*) override {
        if (takeOut_) takeOut_->show();
    }
    void leaveEvent(QEvent*) override {
        if (takeOut_) takeOut_->hide();
    }
    void mousePressEvent(QMouseEvent* e) override { source_.press(e); }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (item_) source_.move(e, item_->id);
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        if (!item_) {
            QPen pen(white(0.35), 1, Qt::CustomDashLine);
            pen.setDashPattern({4, 4});
            p.setPen(pen);
            p.drawRoundedRect(r, 5, 5);
            QFont f = font();
            f.setPointSize(13);
            f.setWeight(QFont::Medium);
            p.setFont(f);
            p.setPen(kSecondary);
            p.drawText(r, Qt::AlignCenter, QString::number(number_));
            return;
        }
        const QPixmap icon = window_.icon(*item_);
        drawPicture(p, r, window_.thumbnail(*item_), icon, 5);
        QFont f = font();
        f.setPointSize(10);
        f.setWeight(QFont::DemiBold);
        p.setFont(f);
        const double iconWidth = icon.isNull() ? 0 : 18;
        const double textWidth = std::min(QFontMetricsF(f).horizontalAdvance(item_->appName),
                                          std::max(0.0, r.width() - 16 - iconWidth));
        const QRectF tag(r.left() + 4, r.bottom() - 4 - 20, textWidth + iconWidth + 8, 20);
        fillRounded(p, tag, 4, black(0.55));
        if (!icon.isNull())
            p.drawPixmap(QRectF(tag.left() + 4, tag.top() + 3, 14, 14), icon, QRectF(icon.rect()));
        p.setPen(Qt::white);
        p.drawText(QRectF(tag.left() + 4 + iconWidth, tag.top(), textWidth, 20),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(f).elidedText(item_->appName, Qt::ElideRight, textWidth));
    }

  private:
    OverviewWindow& window_;
    OverviewItemPtr item_;
    int number_;
    DragSource source_;
    QToolButton* takeOut_ = nullptr;
};

// The group's screen in miniature, divided as tiling will divide it.
class MiniScreen final : public QWidget {
  public:
    MiniScreen(OverviewWindow& window, const OverviewStore::Group& group, double aspect)
        : aspect_(aspect) {
        const int n = std::max(group.slotCount, int(group.items.size()));
        units_ = autoUnits(n, aspect);
        for (int i = 0; i < int(units_.size()); ++i) {
            const OverviewItemPtr item = i < int(group.items.size()) ? group.items[i] : nullptr;
            auto* slot = new SlotView(window, item, i + 1);
            slot->setParent(this);
            slotViews_.push_back(slot);
        }
    }

  protected:
    void resizeEvent(QResizeEvent*) override {
        for (size_t i = 0; i < slotViews_.size() && i < units_.size(); ++i) {
            const Rect& u = units_[i];
            const double w = std::max(1.0, u.width * width() - 6);
            const double h = std::max(1.0, u.height * height() - 6);
            slotViews_[i]->setGeometry(int(std::lround(u.x * width() + 3)),
                                       int(std::lround(u.y * height() + 3)), int(std::lround(w)),
                                       int(std::lround(h)));
        }
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        fillRounded(p, rect(), 6, black(0.35));
    }

  private:
    double aspect_;
    std::vector<Rect> units_;
    std::vector<QWidget*> slotViews_;
};

class GroupCard final : public QWidget {
  public:
    GroupCard(OverviewWindow& window, const OverviewStore::Group& group, int index, double aspect)
        : window_(window), groupId_(group.id), target_(this), aspect_(aspect) {
        setObjectName(QStringLiteral("group"));
        const L10n& t = window.l10n();
        OverviewStore& store = window.store();
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(10, 10, 10, 10);
        column->setSpacing(8);
        auto* header = new QHBoxLayout;
        header->addWidget(
            label(t.format("overview_group_title", {index + 1}), 12, QFont::Bold, kText));
        header->addStretch();
        auto* slotMenu = new QToolButton;
        slotMenu->setText(t.format("overview_group_slots", {group.slotCount}));
        slotMenu->setPopupMode(QToolButton::InstantPopup);
        slotMenu->setAutoRaise(true);
        slotMenu->setStyleSheet(QStringLiteral("QToolButton { color: #dcdce0; border: none; }"));
        auto* menu = new QMenu(slotMenu);
        const QUuid id = group.id;
        for (int n = OverviewStore::kMinSlots; n <= OverviewStore::kMaxSlots; ++n)
            menu->addAction(QString::number(n), [&store, id, n] { store.setSlots(id, n); });
        slotMenu->setMenu(menu);
        header->addWidget(slotMenu);
        auto* trash = new QToolButton;
        trash->setText(QStringLiteral("🗑"));
        trash->setAutoRaise(true);
        trash->setToolTip(t.t("overview_remove_group_help"));
        trash->setStyleSheet(QStringLiteral("QToolButton { color: #dcdce0; border: none; }"));
        QObject::connect(trash, &QToolButton::clicked, [&store, id] { store.removeGroup(id); });
        header->addWidget(trash);
        column->addLayout(header);
        screen_ = new MiniScreen(window, group, aspect);
        column->addWidget(screen_, 1);
    }
    // The card's height for a width: the header and the screen at its aspect.
    static int heightFor(int width, double aspect) {
        return 10 + 26 + 8 + int(std::lround((width - 20) / std::max(0.1, aspect))) + 10;
    }

  protected:
    void dragEnterEvent(QDragEnterEvent* e) override { target_.enter(e); }
    void dragLeaveEvent(QDragLeaveEvent*) override { target_.leave(); }
    void dropEvent(QDropEvent* e) override {
        const QString text = target_.drop(e);
        OverviewStore& store = window_.store();
        const QUuid group = groupId_;
        if (const auto id = store.dropped(text))
            window_.queueDrop([&store, id = *id, group] { store.moveToGroup(id, group); });
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
        fillRounded(p, r, 12, white(target_.targeted() ? 0.18 : 0.07));
        if (target_.targeted()) {
            p.setPen(QPen(palette().color(QPalette::Highlight), 2));
            p.drawRoundedRect(r, 12, 12);
        }
    }

  private:
    OverviewWindow& window_;
    QUuid groupId_;
    DropTarget target_;
    double aspect_;
    MiniScreen* screen_ = nullptr;
};

class NewGroupDrop final : public QWidget {
  public:
    explicit NewGroupDrop(OverviewWindow& window) : window_(window), target_(this) {
        setObjectName(QStringLiteral("new-group"));
        setCursor(Qt::PointingHandCursor);
    }

  protected:
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint())) {
            OverviewStore& store = window_.store();
            window_.queueDrop([&store] { store.addGroup(); });
        }
    }
    void dragEnterEvent(QDragEnterEvent* e) override { target_.enter(e); }
    void dragLeaveEvent(QDragLeaveEvent*) override { target_.leave(); }
    void dropEvent(QDropEvent* e) override {
        const QString text = target_.drop(e);
        OverviewStore& store = window_.store();
        if (const auto id = store.dropped(text))
            window_.queueDrop([&store, id = *id] { store.moveToNewGroup(id); });
    }
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPen pen(white(target_.targeted() ? 0.9 : 0.35), 1.5, Qt::CustomDashLine);
        pen.setDashPattern({4, 4});
        p.setPen(pen);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 12, 12);
        QFont big = font();
        big.setPointSize(26);
        p.setFont(big);
        p.setPen(kText);
        const QRectF r(rect());
        p.drawText(QRectF(r.left(), r.center().y() - 44, r.width(), 40), Qt::AlignCenter,
                   QStringLiteral("⊞"));
        QFont caption = font();
        caption.setPointSize(10);
        p.setFont(caption);
        p.setPen(kSecondary);
        p.drawText(QRectF(r.left(), r.center().y(), r.width(), 40), Qt::AlignHCenter | Qt::AlignTop,
                   window_.l10n().t("overview_new_group_drop"));
    }

  private:
    OverviewWindow& window_;
    DropTarget target_;
};

class PoolPanel final : public Panel {
  public:
    explicit PoolPanel(OverviewWindow& window) : window_(window), target_(this) {
        setObjectName(QStringLiteral("pool"));
    }

  protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        target_.enter(e);
        opacity_ = target_.targeted() ? 0.12 : 0.05;
    }
    void dragLeaveEvent(QDragLeaveEvent*) override {
        target_.leave();
        opacity_ = 0.05;
    }
    void dropEvent(QDropEvent* e) override {
        const QString text = target_.drop(e);
        opacity_ = 0.05;
        OverviewStore& store = window_.store();
        if (const auto id = store.dropped(text))
            window_.queueDrop([&store, id = *id] { store.moveToPool(id); });
    }

  private:
    OverviewWindow& window_;
    DropTarget target_;
};

QScrollArea* scrolling(QWidget* inside) {
    auto* area = new QScrollArea;
    area->setWidget(inside);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Transparent without a style sheet: one here would cascade to every card inside and
    // have each polished through it when the organiser opens.
    area->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    inside->setAutoFillBackground(false);
    return area;
}

QPushButton* button(const QString& text) {
    auto* b = new QPushButton(text);
    b->setCursor(Qt::PointingHandCursor);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

OverviewWindow::OverviewWindow(OverviewStore& store, const L10n& l10n, Actions actions)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      store_(store),
      l10n_(l10n),
      actions_(std::move(actions)) {
    setObjectName(QStringLiteral("overview"));
    setWindowTitle(l10n_.t("overview_title"));
    translucent_ = compositingActive();
    if (translucent_) setAttribute(Qt::WA_TranslucentBackground);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackdrop);
    pal.setColor(QPalette::WindowText, kText);
    pal.setColor(QPalette::Text, kText);
    pal.setColor(QPalette::ButtonText, kText);
    pal.setColor(QPalette::Button, QColor(58, 58, 64));
    setPalette(pal);
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    store_.observe([this] { scheduleRebuild(); });
    store_.observePictures([this](uint64_t wid) { pictureArrived(wid); });
    store_.observeMemory([this] { memoryArrived(); });
    rebuild();
}

OverviewWindow::~OverviewWindow() = default;

void OverviewWindow::present(const ScreenInfo& screen) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    const QPoint origin = primary ? primary->geometry().topLeft() : QPoint();
    const QRect frame(int(std::lround(origin.x() + screen.frame.x)),
                      int(std::lround(origin.y() + screen.frame.y)),
                      int(std::lround(screen.frame.width)), int(std::lround(screen.frame.height)));
    setGeometry(frame);
    showFullScreen();
    setGeometry(frame);
    raise();
    activateWindow();
    setFocus();
}

void OverviewWindow::runLater(const std::function<void()>& action) {
    // Starting and cancelling drop this window: never from inside its own event handler.
    if (action) QTimer::singleShot(0, QCoreApplication::instance(), action);
}

void OverviewWindow::dismiss() {
    hide();
}

QPixmap OverviewWindow::thumbnail(const OverviewItem& item) const {
    if (!item.wid) return {};
    const auto it = thumbs_.find(*item.wid);
    return it != thumbs_.end() ? it->second : QPixmap();
}

QPixmap OverviewWindow::icon(const OverviewItem& item) const {
    if (!item.wid) return {};
    const auto it = icons_.find(*item.wid);
    return it != icons_.end() ? it->second : QPixmap();
}

void OverviewWindow::pictureArrived(uint64_t wid) {
    const OverviewItemPtr item = [&]() -> OverviewItemPtr {
        for (const auto& i : store_.pool())
            if (i->wid == wid) return i;
        for (const auto& g : store_.groups())
            for (const auto& i : g.items)
                if (i->wid == wid) return i;
        return nullptr;
    }();
    if (!item) return;
    if (const Picture* p = store_.thumb(*item)) thumbs_[wid] = toPixmap(*p);
    if (const Picture* p = store_.icon(*item)) icons_[wid] = toPixmap(*p);
    const auto [from, to] = pictureViews_.equal_range(wid);
    for (auto it = from; it != to; ++it) {
        if (it->second) it->second->update();
    }
}

void OverviewWindow::memoryArrived() {
    // A rebuild on its way shows the figures anyway.
    if (rebuildPending_ || !content_) return;
    if (subtitle_) subtitle_->setText(subtitleText());
    if (background_) {
        QWidget* strip = buildBackground();
        delete content_->layout()->replaceWidget(background_, strip);
        background_->hide();
        background_->deleteLater();
        background_ = strip;
    }
    content_->update();
}

QString OverviewWindow::subtitleText() const {
    return l10n_.format("overview_subtitle", {store_.screenLabel(), store_.totalMemoryText()});
}

void OverviewWindow::showsPicture(uint64_t wid, QWidget* view) {
    pictureViews_.emplace(wid, view);
}

void OverviewWindow::queueDrop(std::function<void()> move) {
    pendingDrop_ = std::move(move);
    if (!dragging_) QTimer::singleShot(0, this, [this] { dragFinished(); });
}

void OverviewWindow::dragFinished() {
    dragging_ = false;
    if (auto move = std::exchange(pendingDrop_, nullptr)) move();
    if (rebuildPending_) scheduleRebuild();
}

void OverviewWindow::scheduleRebuild() {
    rebuildPending_ = true;
    // During a drag the cards stay (one of them runs the drag); its end rebuilds.
    if (dragging_ || rebuildScheduled_) return;
    rebuildScheduled_ = true;
    QTimer::singleShot(0, this, [this] {
        rebuildScheduled_ = false;
        if (!dragging_ && rebuildPending_) rebuild();
    });
}

void OverviewWindow::rebuildNow() {
    rebuild();
}

void OverviewWindow::clickQuitUngrouped() {
    if (!armed_) {
        armed_ = true;
        // The disarm runs even after a second click: it only lowers the flag.
        QTimer::singleShot(kDisarmMs, this, [this] {
            armed_ = false;
            scheduleRebuild();
        });
        scheduleRebuild();
        return;
    }
    armed_ = false;
    store_.quitAllUngrouped();
    scheduleRebuild();
}

void OverviewWindow::rebuild() {
    rebuildPending_ = false;
    pictureViews_.clear();
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    column->setSpacing(kSpacing);
    column->addWidget(buildHeader());
    auto* row = new QHBoxLayout;
    row->setSpacing(18);
    row->addWidget(buildPool(), 1);
    row->addWidget(buildGroups(), 1);
    column->addLayout(row, 1);
    background_ = nullptr;
    if (!store_.backgroundApps().empty()) {
        background_ = buildBackground();
        column->addWidget(background_);
    }
    if (content_) {
        layout()->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    content_ = content;
    layout()->addWidget(content_);
}

QWidget* OverviewWindow::buildHeader() {
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kSpacing);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    titles->addWidget(label(l10n_.t("overview_title"), 24, QFont::Bold, kText));
    subtitle_ = label(subtitleText(), 11, QFont::Normal, kSecondary);
    subtitle_->setObjectName(QStringLiteral("subtitle"));
    titles->addWidget(subtitle_);
    row->addLayout(titles);
    row->addStretch();
    row->addWidget(label(l10n_.t("overview_slots_label"), 11, QFont::Normal, kSecondary));
    auto* picker = new QWidget;
    picker->setFixedWidth(200);
    auto* choices = new QHBoxLayout(picker);
    choices->setContentsMargins(0, 0, 0, 0);
    choices->setSpacing(0);
    for (int n = OverviewStore::kMinSlotsDefault; n <= OverviewStore::kMaxSlots; ++n) {
        auto* choice = button(QString::number(n));
        choice->setObjectName(QStringLiteral("slots-%1").arg(n));
        choice->setCheckable(true);
        choice->setStyleSheet(QStringLiteral(
            "QPushButton { background: rgba(255,255,255,20); color: #f0f0f4; border: none; "
            "padding: 4px; } QPushButton:checked { background: palette(highlight); }"));
        choice->setChecked(store_.slotsDefault() == n);
        connect(choice, &QPushButton::clicked, this, [this, n] { store_.setSlotsDefault(n); });
        choices->addWidget(choice);
    }
    row->addWidget(picker);
    auto* autoGroup = button(l10n_.t("overview_auto"));
    connect(autoGroup, &QPushButton::clicked, this, [this] { store_.autoGroup(); });
    auto* cancel = button(l10n_.t("overview_cancel"));
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, [this] { runLater(actions_.cancel); });
    auto* start = button(l10n_.t("overview_start"));
    start->setObjectName(QStringLiteral("start"));
    start->setStyleSheet(
        QStringLiteral("QPushButton { background: palette(highlight); color: white; "
                       "border-radius: 6px; padding: 5px 14px; font-weight: bold; }"));
    connect(start, &QPushButton::clicked, this, [this] { runLater(actions_.start); });
    row->addWidget(autoGroup);
    row->addWidget(cancel);
    row->addWidget(start);
    return header;
}

QWidget* OverviewWindow::buildPool() {
    auto* panel = new PoolPanel(*this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(kPanelPadding, kPanelPadding, kPanelPadding, kPanelPadding);
    column->setSpacing(10);
    auto* head = new QHBoxLayout;
    head->addWidget(label(l10n_.format("overview_pool_title", {qint64(store_.pool().size())}), 13,
                          QFont::Bold, kText));
    head->addStretch();
    if (!store_.pool().empty()) {
        auto* quit =
            button(l10n_.t(armed_ ? "overview_quit_ungrouped_armed" : "overview_quit_ungrouped"));
        quit->setObjectName(QStringLiteral("quit-ungrouped"));
        quit->setToolTip(l10n_.t("overview_quit_ungrouped_help"));
        if (armed_) quit->setStyleSheet(QStringLiteral("QPushButton { color: #ff6b6b; }"));
        connect(quit, &QPushButton::clicked, this, [this] { clickQuitUngrouped(); });
        head->addWidget(quit);
    }
    column->addLayout(head);
    auto* hint = label(l10n_.t("overview_pool_hint"), 9, QFont::Normal, kSecondary);
    hint->setObjectName(QStringLiteral("hint"));
    hint->setText(drawableGlyphs(hint->text(), hint->font()));
    hint->setWordWrap(true);
    column->addWidget(hint);
    auto* grid =
        new FlowGrid(kCardMinWidth, kCardMaxWidth, kCardSpacing, [](int) { return kCardHeight; });
    grid->setContentsMargins(4, 4, 4, 4);
    for (const OverviewItemPtr& item : store_.pool()) grid->add(new ThumbCard(*this, item));
    column->addWidget(scrolling(grid), 1);
    return panel;
}

QWidget* OverviewWindow::buildGroups() {
    auto* panel = new Panel(0.05);
    panel->setObjectName(QStringLiteral("groups"));
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(kPanelPadding, kPanelPadding, kPanelPadding, kPanelPadding);
    column->setSpacing(10);
    auto* head = new QHBoxLayout;
    head->addWidget(label(l10n_.format("overview_groups_title", {store_.filledGroupCount()}), 13,
                          QFont::Bold, kText));
    head->addStretch();
    auto* add = button(QStringLiteral("+ ") + l10n_.t("overview_add_group"));
    connect(add, &QPushButton::clicked, this, [this] { store_.addGroup(); });
    head->addWidget(add);
    column->addLayout(head);
    const double aspect = store_.screenAspect();
    // Cells share one height per width: the group cards', and the new-group target fills it
    // (at least its own minimum).
    auto* grid = new FlowGrid(kGroupMinWidth, kGroupMaxWidth, kGroupSpacing, [aspect](int width) {
        return std::max(kNewGroupHeight, GroupCard::heightFor(width, aspect));
    });
    const auto& groups = store_.groups();
    for (int i = 0; i < int(groups.size()); ++i)
        grid->add(new GroupCard(*this, groups[i], i, aspect));
    grid->add(new NewGroupDrop(*this));
    column->addWidget(scrolling(grid), 1);
    return panel;
}

QWidget* OverviewWindow::buildBackground() {
    auto* strip = new Panel(0.05);
    strip->setObjectName(QStringLiteral("background"));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(12, 12, 12, 12);
    row->setSpacing(12);
    auto* titles = new QVBoxLayout;
    titles->addWidget(
        label(l10n_.format("overview_background_title", {qint64(store_.backgroundApps().size())}),
              13, QFont::Bold, kText));
    titles->addWidget(label(l10n_.t("overview_background_sub"), 9, QFont::Normal, kSecondary));
    row->addLayout(titles);
    auto* quitAll = button(l10n_.t("overview_quit_all"));
    quitAll->setObjectName(QStringLiteral("quit-background"));
    connect(quitAll, &QPushButton::clicked, this, [this] { store_.quitAllBackground(); });
    row->addWidget(quitAll);
    auto* apps = new QWidget;
    auto* list = new QHBoxLayout(apps);
    list->setContentsMargins(0, 0, 0, 0);
    list->setSpacing(8);
    for (const BackgroundApp& app : store_.backgroundApps()) {
        const QString memory = formatMemory(l10n_, app.memoryMB);
        auto* b = button(memory.isEmpty() ? app.name : app.name + QLatin1Char('\n') + memory);
        b->setObjectName(QStringLiteral("background-app"));
        b->setToolTip(l10n_.format("overview_quit_app_help", {app.name}));
        b->setStyleSheet(
            QStringLiteral("QPushButton { background: rgba(255,255,255,20); "
                           "border: none; border-radius: 8px; padding: 5px 8px; "
                           "color: #f0f0f4; text-align: left; font-size: 11px; }"));
        const int32_t pid = app.pid;
        connect(b, &QPushButton::clicked, this, [this, pid] { store_.quitApp(pid); });
        list->addWidget(b);
    }
    list->addStretch();
    auto* area = new QScrollArea;
    area->setWidget(apps);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->setFixedHeight(apps->sizeHint().height() + 4);
    area->setAutoFillBackground(false);
    area->viewport()->setAutoFillBackground(false);
    apps->setAutoFillBackground(false);
    row->addWidget(area, 1);
    return strip;
}

void OverviewWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            runLater(actions_.cancel);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            runLater(actions_.start);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void OverviewWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QColor backdrop = kBackdrop;
    if (translucent_) backdrop.setAlphaF(0.86);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), backdrop);
}

}  // namespace quenda
