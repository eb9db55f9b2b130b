#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "core/L10n.h"
#include "groups/OverviewController.h"
#include "groups/OverviewStore.h"

namespace quenda {

// The overview organiser: a full-screen dark window over one screen, drawn from the store.
// The pool of ungrouped windows and the groups sit side by side, the applications running
// without windows beneath; window cards and filled slots are dragged (their item id as
// plain text) between the pool, the groups and the new-group target. Esc and "Cancelar"
// cancel, Return and "Empezar ▶" start.
class OverviewWindow final : public QWidget, public OverviewSurface {
    Q_OBJECT
  public:
    struct Actions {
        std::function<void()> start;
        std::function<void()> cancel;
    };
    OverviewWindow(OverviewStore& store, const L10n& l10n, Actions actions);
    ~OverviewWindow() override;

    // --- OverviewSurface ------------------------------------------------------------
    bool isShown() const override { return isVisible(); }
    void present(const ScreenInfo& screen) override;
    void dismiss() override;

    // --- for the views inside and for tests --------------------------------------------
    OverviewStore& store() { return store_; }
    const L10n& l10n() const { return l10n_; }
    // The picture of a window as drawn, or a null pixmap.
    QPixmap thumbnail(const OverviewItem& item) const;
    QPixmap icon(const OverviewItem& item) const;
    // A drop hands its move here; it runs once no drag of ours is under way.
    void queueDrop(std::function<void()> move);
    void dragStarted() { dragging_ = true; }
    void dragFinished();
    // The views that show a window's picture, redrawn when it arrives.
    void showsPicture(uint64_t wid, QWidget* view);
    bool quitArmed() const { return armed_; }
    void clickQuitUngrouped();
    // Rebuilds the content now (tests; the window itself rebuilds after each change).
    void rebuildNow();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    static void runLater(const std::function<void()>& action);
    void scheduleRebuild();
    void rebuild();
    void pictureArrived(uint64_t wid);
    // The memory figures changed only texts: those are redrawn, the cards stay.
    void memoryArrived();
    QString subtitleText() const;
    QWidget* buildHeader();
    QWidget* buildPool();
    QWidget* buildGroups();
    QWidget* buildBackground();

    OverviewStore& store_;
    const L10n& l10n_;
    Actions actions_;
    bool translucent_ = false;
    QWidget* content_ = nullptr;
    QLabel* subtitle_ = nullptr;     // the header's line with the memory total
    QWidget* background_ = nullptr;  // the strip of applications without windows
    bool rebuildPending_ = false;    // the store changed since the last rebuild
    bool rebuildScheduled_ = false;  // a rebuild waits on the main loop
    bool dragging_ = false;
    bool armed_ = false;
    std::function<void()> pendingDrop_;
    std::map<uint64_t, QPixmap> thumbs_;
    std::map<uint64_t, QPixmap> icons_;
    std::multimap<uint64_t, QPointer<QWidget>> pictureViews_;
};

}  // namespace quenda
