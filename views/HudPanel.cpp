#include "views/HudPanel.h"

#include <cmath>

#include <xcb/xcb.h>
#include <QBitmap>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QVariantAnimation>

#include "views/Compositing.h"

namespace quenda {

namespace {

const QColor kFill(24, 26, 32);
const int kFillAlpha = 224;  // translucent, but the text stays readable over anything
const QColor kEdge(255, 255, 255, 36);
const QColor kTextColour(246, 246, 248);

}  // namespace

HudPanel::HudPanel()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint |
                           Qt::WindowTransparentForInput),
      fade_(new QVariantAnimation(this)) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_X11NetWmWindowTypeNotification);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Quenda HUD"));

    // 14 in the program's units, which are pixels here, as every frame the presenter gives.
    font_ = font();
    font_.setPixelSize(14);
    font_.setWeight(QFont::Medium);

    resize(300, static_cast<int>(HudPresenter::kHeight));

    connect(fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        alpha_ = value.toDouble();
        setWindowOpacity(alpha_);
    });
    connect(fade_, &QVariantAnimation::finished, this, [this] {
        alpha_ = fade_->endValue().toDouble();  // exactly the target, whatever the last step
        setWindowOpacity(alpha_);
        finishFade();
    });
}

HudPanel::~HudPanel() {
    // Whoever asked for the fade may be gone already: drop its completion unrun.
    fadeDone_ = {};
    fade_->stop();
}

void HudPanel::setText(const QString& text) {
    text_ = text;
    update();
}

double HudPanel::naturalTextWidth(const QString& text) const {
    return QFontMetricsF(font_).horizontalAdvance(text);
}

QString HudPanel::shownText() const {
    return QFontMetrics(font_).elidedText(text_, Qt::ElideRight, width() - 2 * kTextInset);
}

QRect HudPanel::toQt(const Rect& r, const QRect& primary) {
    return {static_cast<int>(std::lround(primary.x() + r.x)),
            static_cast<int>(std::lround(primary.y() + r.y)),
            static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height))};
}

void HudPanel::setFrame(const Rect& frame) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    setGeometry(toQt(frame, primary ? primary->geometry() : QRect()));
    applyShape();
    update();
}

void HudPanel::setAlpha(double alpha) {
    fade_->stop();
    alpha_ = alpha;
    setWindowOpacity(alpha);
    finishFade();
}

bool HudPanel::fading() const {
    return fade_->state() == QAbstractAnimation::Running;
}

void HudPanel::orderFront() {
    applyShape();
    show();
    raise();
}

void HudPanel::animateAlpha(double to, double seconds, std::function<void()> completion) {
    fade_->stop();
    finishFade();  // a fade replaced by another one has ended too
    fadeDone_ = std::move(completion);
    fade_->setStartValue(alpha_);
    fade_->setEndValue(to);
    fade_->setDuration(static_cast<int>(std::lround(std::max(0.0, seconds) * 1000)));
    fade_->start();
}

void HudPanel::orderOut() {
    hide();
}

void HudPanel::finishFade() {
    if (auto done = std::exchange(fadeDone_, {})) done();
}

void HudPanel::applyShape() {
    composited_ = compositingActive();
    if (composited_) {
        clearMask();
        return;
    }
    // Without a compositor the transparent corners would show as black: cut them off.
    QBitmap mask(size());
    mask.fill(Qt::color0);
    QPainter p(&mask);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::color1);
    p.drawRoundedRect(rect(), kCornerRadius, kCornerRadius);
    p.end();
    setMask(mask);
}

void HudPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor fill = kFill;
    fill.setAlpha(composited_ ? kFillAlpha : 255);
    p.setPen(QPen(kEdge, 1));
    p.setBrush(fill);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    p.setFont(font_);
    p.setPen(kTextColour);
    p.drawText(rect().adjusted(kTextInset, 0, -kTextInset, 0), Qt::AlignCenter, shownText());
}

}  // namespace quenda
