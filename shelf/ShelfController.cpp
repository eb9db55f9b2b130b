#include "shelf/ShelfController.h"

#include <cmath>

#include <QStringList>

namespace quenda {

bool ShelfController::build() {
    if (panel_) return true;
    panel_ = makePanel_ ? makePanel_(*this) : nullptr;
    if (!panel_) return false;
    // A place on a monitor that has since gone would leave the panel out of reach.
    const auto saved = frameFromText(prefs_.get(settings::shelfFrame));
    const bool reachable = saved && geo_.screen(*saved).has_value();
    panel_->setFrame(reachable ? *saved : initialFrame(geo_.screenUnderMouse()));
    return true;
}

void ShelfController::toggle() {
    if (panel_ && panel_->isShown()) {
        panel_->orderOut();
        return;
    }
    bringToFront();
}

void ShelfController::bringToFront() {
    if (!build()) return;
    panel_->orderFront();
}

void ShelfController::frameChanged(const Rect& frame) {
    const QString text = frameText(frame);
    if (prefs_.get(settings::shelfFrame) != text) prefs_.set(settings::shelfFrame, text);
}

Rect ShelfController::initialFrame(const std::optional<ScreenInfo>& screen) {
    const Rect area = screen ? screen->visibleFrame : kNoScreenFrame;
    return {std::round(area.maxX() - kWidth - kRightMargin),
            std::round(area.minY() + area.height / 2 - kHeight / 2), kWidth, kHeight};
}

QString ShelfController::frameText(const Rect& frame) {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(qint64(std::lround(frame.x)))
        .arg(qint64(std::lround(frame.y)))
        .arg(qint64(std::lround(frame.width)))
        .arg(qint64(std::lround(frame.height)));
}

std::optional<Rect> ShelfController::frameFromText(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) return std::nullopt;
    double v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int n = parts[i].trimmed().toInt(&ok);
        if (!ok) return std::nullopt;
        v[i] = n;
    }
    if (v[2] < kMinWidth || v[3] < kMinHeight || v[2] > 100000 || v[3] > 100000)
        return std::nullopt;
    return Rect{v[0], v[1], v[2], v[3]};
}

}  // namespace quenda
