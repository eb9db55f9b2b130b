#pragma once

#include <vector>

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "core/L10n.h"
#include "platform/ports/DesktopOpener.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfStore.h"

class QLabel;
class QMimeData;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace quenda {

class ShelfRow;

// The shelf's panel: a small utility window that floats above other windows and never takes
// the focus from the user's application. A toolbar (add from the clipboard, copy all, the
// count, empty), then the items as rows, newest first, each dragged out as a file or a text.
// Files, images, links and texts dropped anywhere on it join the shelf. Everything it does
// is an operation of the store; the panel only draws the store's items.
class ShelfPanel final : public QWidget, public ShelfPanelSurface {
    Q_OBJECT
  public:
    ShelfPanel(ShelfStore& store, ShelfController& controller, DesktopOpener& opener,
               const L10n& l10n);
    ~ShelfPanel() override;

    // --- ShelfPanelSurface ---------------------------------------------------------------
    bool isShown() const override { return isVisible(); }
    void orderFront() override;
    void orderOut() override;
    void setFrame(const Rect& frame) override;

    // What a drop offers, in the shelf's terms: one thing per dragged file or link; else an
    // image; else a text. Empty when nothing is usable.
    static std::vector<ShelfDrop> dropsFrom(const QMimeData& mime);
    // What dragging an item out offers other programs: a file as its URL (and its path as
    // text), a text as plain text.
    static QMimeData* dragData(const ShelfItem& item);

    // The icon of a row: the picture itself (scaled, corners rounded) for an image file, the
    // desktop theme's icon of the file's type for other files, a quote for texts. Images are
    // read once, at the row's size, and kept.
    QPixmap iconFor(const ShelfItem& item, int size);

    int rowCount() const { return int(rows_.size()); }
    ShelfRow* row(int index) const { return rows_.at(size_t(index)); }
    bool dropHighlighted() const { return dropHover_; }

    static constexpr int kIconSize = 32;

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class ShelfRow;
    void rebuild();
    void reportFrame();
    Rect desktopFrame() const;

    ShelfStore& store_;
    ShelfController& controller_;
    DesktopOpener& opener_;
    const L10n& l10n_;
    QLabel* count_;
    QToolButton* clear_;
    QScrollArea* scroll_;
    QWidget* list_;
    QVBoxLayout* listLayout_;
    QLabel* empty_;
    std::vector<ShelfRow*> rows_;
    QHash<QString, QPixmap> thumbnails_;
    bool dropHover_ = false;
    bool rebuildPending_ = false;
    bool placing_ = false;
    // Moves and resizes arrive in bursts while the user drags the panel; the place is kept
    // once the burst is over.
    QTimer frameSettled_;
};

// One item of the shelf: its icon, its name (with a hint) or its text, and, while the
// pointer is over it, its buttons. Pressed and moved, it is dragged out.
class ShelfRow final : public QWidget {
    Q_OBJECT
  public:
    ShelfRow(ShelfPanel& panel, const ShelfItem& item);
    const ShelfItem& item() const { return item_; }
    QToolButton* button(const QString& name) const;

  protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    void setButtonsShown(bool shown);

    ShelfPanel& panel_;
    ShelfItem item_;
    std::vector<QToolButton*> buttons_;
    QPoint pressAt_;
    bool pressed_ = false;
};

}  // namespace quenda
