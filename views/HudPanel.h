#pragma once

#include <functional>

#include <QFont>
#include <QRect>
#include <QWidget>

#include "app/HudPresenter.h"

class QVariantAnimation;

namespace quenda {

// The HUD's panel: a dark translucent rounded rectangle with one centred line of text. It is
// never managed by the window manager, never takes focus and lets every click through to the
// window below. Where it goes and when it fades is the presenter's business.
class HudPanel final : public QWidget, public HudSurface {
    Q_OBJECT
  public:
    HudPanel();
    ~HudPanel() override;

    // --- HudSurface ---------------------------------------------------------------------
    void setText(const QString& text) override;
    double naturalTextWidth(const QString& text) const override;
    void setFrame(const Rect& frame) override;
    void setAlpha(double alpha) override;
    double alpha() const override { return alpha_; }
    void orderFront() override;
    void animateAlpha(double to, double seconds, std::function<void()> completion) override;
    void orderOut() override;

    QString text() const { return text_; }
    // The text as drawn: elided at the tail when it does not fit.
    QString shownText() const;
    bool fading() const;

    // The desktop's coordinates (the primary screen's top-left is the origin) to Qt's global
    // ones (the root's top-left), given the primary screen's geometry.
    static QRect toQt(const Rect& frame, const QRect& primaryGeometry);

    static constexpr int kCornerRadius = 12;
    static constexpr int kTextInset = 18;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void finishFade();
    void applyShape();

    QString text_;
    QFont font_;
    double alpha_ = 1;
    QVariantAnimation* fade_;
    std::function<void()> fadeDone_;
    bool composited_ = true;
};

}  // namespace quenda
