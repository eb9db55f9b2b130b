#pragma once

#include <functional>

#include <QLabel>
#include <QWidget>

#include "app/CornerButtonController.h"
#include "app/PaletteContent.h"
#include "core/L10n.h"

class QVariantAnimation;

namespace quenda {

// Floating windows that never take the focus: override-redirect, not managed by the window
// manager, and never activated by a click, so the user's window keeps the keyboard.
class FloatingWindow : public QWidget, public FloatingSurface {
  public:
    bool isShown() const override { return isVisible(); }
    void orderFront() override;
    void orderOut() override { hide(); }
    void setFrame(const Rect& frame) override;
    Rect frame() const override;
    Size fittingSize() const override;

    // Desktop coordinates (the primary monitor's top-left is the origin) and Qt's.
    static QRect toQt(const Rect& r);
    static Rect fromQt(const QRect& r);
    // Whether a visible window of this program that takes clicks lies under the point.
    static bool ownWindowAt(const Point& p);

  protected:
    explicit FloatingWindow(const QString& title);
    // The rounded outline the window is cut to.
    virtual double cornerRadius() const = 0;
    void resizeEvent(QResizeEvent* event) override;
};

// The capsule: the symbol "rectangle.split.2x2" on a dark capsule, brighter under the pointer.
class CornerButtonView final : public FloatingWindow {
  public:
    CornerButtonView(std::function<void()> clicked, const QString& tooltip);

  protected:
    double cornerRadius() const override { return std::min(width(), height()) / 2.0; }
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    void animateHover(double to);

    std::function<void()> clicked_;
    QVariantAnimation* hover_;
    double hoverAmount_ = 0;  // 0 resting, 1 under the pointer
};

// The palette: four rows of symbol buttons with their titles, and a footer naming the action
// under the pointer.
class PaletteView final : public FloatingWindow {
  public:
    PaletteView(const L10n& l10n, std::function<void(const PaletteAction&)> chosen);

    QString footerText() const { return footer_->text(); }

  protected:
    double cornerRadius() const override { return 12; }
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel* footer_;
};

}  // namespace quenda
