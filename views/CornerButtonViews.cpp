#include "views/CornerButtonViews.h"

#include <cmath>

#include <QAbstractButton>
#include <QBitmap>
#include <QEnterEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <QWindow>

#include "views/PaletteSymbols.h"

namespace quenda {

namespace {

const QColor kPaletteFill(38, 40, 46);
const QColor kPaletteText(236, 236, 240);
const QColor kPaletteDim(160, 162, 170);
const QColor kPaletteEdge(255, 255, 255, 31);  // the outline at 0.12
constexpr int kHoverMs = 120;
constexpr int kPaletteButtonSize = 28;

QPoint primaryOrigin() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? primary->geometry().topLeft() : QPoint();
}

// One action of the palette: its symbol at 13 pixels, highlighted under the pointer.
class PaletteButton final : public QAbstractButton {
  public:
    PaletteButton(PaletteAction action, QString label, QLabel* footer, QString hint,
                  QWidget* parent)
        : QAbstractButton(parent),
          action_(std::move(action)),
          label_(std::move(label)),
          footer_(footer),
          hint_(std::move(hint)) {
        setFocusPolicy(Qt::NoFocus);
        setFixedSize(kPaletteButtonSize, kPaletteButtonSize);
        setToolTip(label_);
        setAccessibleName(label_);
        setAttribute(Qt::WA_Hover);
    }
    const PaletteAction& action() const { return action_; }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (underMouse() || isDown()) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, isDown() ? 60 : 34));
            p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
        }
        const double s = 13;
        const QRectF box((width() - s) / 2, (height() - s) / 2, s, s);
        drawPaletteSymbol(p, action_.symbol, box, kPaletteText);
    }
    void enterEvent(QEnterEvent* e) override {
        footer_->setText(label_);
        QAbstractButton::enterEvent(e);
    }
    void leaveEvent(QEvent* e) override {
        if (footer_->text() == label_) footer_->setText(hint_);
        QAbstractButton::leaveEvent(e);
    }

  private:
    PaletteAction action_;
    QString label_;
    QLabel* footer_;
    QString hint_;
};

QFrame* divider(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background: rgba(255,255,255,40); border: none;"));
    return line;
}

}  // namespace

// --- FloatingWindow ------------------------------------------------------------------------

FloatingWindow::FloatingWindow(const QString& title)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(title);
}

QRect FloatingWindow::toQt(const Rect& r) {
    const QPoint o = primaryOrigin();
    return {static_cast<int>(std::lround(o.x() + r.x)), static_cast<int>(std::lround(o.y() + r.y)),
            static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height))};
}

Rect FloatingWindow::fromQt(const QRect& r) {
    const QPoint o = primaryOrigin();
    return {double(r.x() - o.x()), double(r.y() - o.y()), double(r.width()), double(r.height())};
}

bool FloatingWindow::ownWindowAt(const Point& point) {
    const QPoint o = primaryOrigin();
    const QPoint p(static_cast<int>(std::lround(o.x() + point.x)),
                   static_cast<int>(std::lround(o.y() + point.y)));
    for (const QWindow* w : QGuiApplication::topLevelWindows()) {
        if (!w->isVisible() || (w->flags() & Qt::WindowTransparentForInput)) continue;
        if (w->geometry().contains(p)) return true;
    }
    return false;
}

void FloatingWindow::orderFront() {
    show();
    raise();
}

void FloatingWindow::setFrame(const Rect& frame) {
    setGeometry(toQt(frame));
}

Rect FloatingWindow::frame() const {
    return fromQt(geometry());
}

Size FloatingWindow::fittingSize() const {
    const QSize s = sizeHint().expandedTo(minimumSizeHint());
    return {double(s.width()), double(s.height())};
}

void FloatingWindow::resizeEvent(QResizeEvent* event) {
    // Cut to the rounded outline: without a compositor the corners would show black.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::color1);
    const double radius = cornerRadius();
    p.drawRoundedRect(rect(), radius, radius);
    p.end();
    setMask(mask);
    QWidget::resizeEvent(event);
}

// --- CornerButtonView ----------------------------------------------------------------------

CornerButtonView::CornerButtonView(std::function<void()> clicked, const QString& tooltip)
    : FloatingWindow(QStringLiteral("Quenda corner button")),
      clicked_(std::move(clicked)),
      hover_(new QVariantAnimation(this)) {
    setToolTip(tooltip);
    setAccessibleName(tooltip);
    setCursor(Qt::PointingHandCursor);
    hover_->setDuration(kHoverMs);
    hover_->setEasingCurve(QEasingCurve::OutCubic);
    connect(hover_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
        hoverAmount_ = v.toDouble();
        update();
    });
    resize(34, 16);
}

void CornerButtonView::animateHover(double to) {
    hover_->stop();
    hover_->setStartValue(hoverAmount_);
    hover_->setEndValue(to);
    hover_->start();
}

void CornerButtonView::enterEvent(QEnterEvent* event) {
    animateHover(1);
    QWidget::enterEvent(event);
}

void CornerButtonView::leaveEvent(QEvent* event) {
    animateHover(0);
    QWidget::leaveEvent(event);
}

void CornerButtonView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        clicked_)
        clicked_();
}

void CornerButtonView::paintEvent(QPaintEvent*) {
    const auto mix = [this](double rest, double hovered) {
        return rest + (hovered - rest) * hoverAmount_;
    };
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const double radius = std::min(capsule.width(), capsule.height()) / 2;
    p.setPen(QPen(QColor::fromRgbF(1, 1, 1, float(mix(0.22, 0.42))), 1));
    p.setBrush(QColor::fromRgbF(0, 0, 0, float(mix(0.62, 0.78))));
    p.drawRoundedRect(capsule, radius, radius);
    const double s = 9.5;
    const QRectF box((width() - s) / 2, (height() - s) / 2, s, s);
    drawPaletteSymbol(p, QStringLiteral("rectangle.split.2x2"), box,
                      QColor::fromRgbF(1, 1, 1, float(mix(0.5, 0.95))));
}

// --- PaletteView ---------------------------------------------------------------------------

PaletteView::PaletteView(const L10n& l10n, std::function<void(const PaletteAction&)> chosen)
    : FloatingWindow(QStringLiteral("Quenda palette")), footer_(new QLabel(this)) {
    const QString hint = l10n.t(QString::fromUtf8(kPaletteHintKey));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(10, 10, 10, 10);
    column->setSpacing(6);
    QFont titleFont = font();
    titleFont.setPixelSize(10);
    titleFont.setWeight(QFont::DemiBold);
    QFont footerFont = font();
    footerFont.setPixelSize(11);

    bool first = true;
    for (const PaletteRow& row : paletteRows()) {
        if (!first) column->addWidget(divider(this));
        first = false;
        auto* title = new QLabel(l10n.t(row.titleKey), this);
        title->setFont(titleFont);
        title->setStyleSheet(QStringLiteral("color: rgb(160,162,170);"));
        column->addWidget(title);
        auto* buttons = new QHBoxLayout;
        buttons->setSpacing(4);
        for (const PaletteAction& action : row.actions) {
            auto* button = new PaletteButton(action, l10n.t(action.labelKey), footer_, hint, this);
            connect(button, &QAbstractButton::clicked, this,
                    [button, chosen] { chosen(button->action()); });
            buttons->addWidget(button);
        }
        buttons->addStretch(1);
        column->addLayout(buttons);
    }
    column->addWidget(divider(this));
    footer_->setFont(footerFont);
    footer_->setText(hint);
    footer_->setStyleSheet(QStringLiteral("color: rgb(236,236,240);"));
    // Wide enough for the longest label, so the palette never resizes under the pointer.
    int widest = 0;
    for (const PaletteRow& row : paletteRows())
        for (const PaletteAction& action : row.actions)
            widest =
                std::max(widest, footer_->fontMetrics().horizontalAdvance(l10n.t(action.labelKey)));
    footer_->setMinimumWidth(widest + 4);
    column->addWidget(footer_);
    resize(sizeHint());
}

void PaletteView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.setPen(QPen(kPaletteEdge, 0.5));
    p.setBrush(kPaletteFill);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 12, 12);
}

}  // namespace quenda
