#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QAbstractListModel>
#include <QCache>
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QPoint>
#include <QSize>
#include <QWidget>

#include "bridge/Templates.h"
#include "clipboard/ClipboardPanelController.h"
#include "clipboard/ClipboardPanelModel.h"
#include "core/L10n.h"

class QComboBox;
class QItemSelection;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPushButton;
class QStackedWidget;

namespace quenda {

// The rows of the clipboard panel's list, drawn from the panel's model: one row per visible
// item, with its preview, its details line and its icon. Thumbnails of images are read at
// row size when a row is first drawn and kept; the full picture is never held.
class ClipListModel final : public QAbstractListModel {
    Q_OBJECT
  public:
    enum Role { DetailsRole = Qt::UserRole + 1, PinnedRole, KindRole };
    static constexpr int kIconSize = 34;

    ClipListModel(ClipboardPanelModel& model, std::function<double()> now, QObject* parent);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // The panel's model changed (a search, a new history): every row is read again.
    void refresh();
    const ClipItem* item(int row) const;
    // How many thumbnails were read from their files so far.
    int thumbnailsRead() const { return thumbnailsRead_; }

  private:
    QIcon iconFor(const ClipItem& item) const;

    ClipboardPanelModel& model_;
    std::function<double()> now_;
    mutable QCache<QString, QPixmap> thumbnails_;
    mutable QHash<QString, QIcon> fileIcons_;
    mutable QFileIconProvider iconProvider_;
    mutable int thumbnailsRead_ = 0;
};

// The clipboard panel: a search field, the history filtered by it, and a footer to paste the
// chosen items (joined, wrapped in a template, or as files). Esc or clicking elsewhere hides
// it; it keeps its size, and its place on a screen, between openings.
class ClipboardPanel final : public QWidget {
    Q_OBJECT
  public:
    struct Actions {
        std::function<void(const std::vector<ClipItem>&, PasteMode)> paste;
        std::function<void(const std::vector<ClipItem>&, PasteMode)> copy;
        std::function<void(const QUuid&)> togglePin;
        std::function<void(const QUuid&)> remove;
        // Shows an item's files in the file manager.
        std::function<void(const ClipItem&)> reveal;
        // Puts an item on the shelf; the entry is left out while this is unset.
        std::function<void(const ClipItem&)> addToShelf;
        std::function<std::vector<PromptTemplate>()> templates;
        std::function<QString()> templateID;
        std::function<void(const QString&)> setTemplateID;
        // The time of day, in seconds since 1970.
        std::function<double()> now;
        // The time of the last key press or click the panel received (X server time), for
        // the activation of the window the paste goes to.
        std::function<void(unsigned long)> userTime;
    };

    ClipboardPanel(const L10n& l10n, Actions actions);

    // A fresh opening over the history: empty search, nothing selected, the search field
    // focused, on the screen under the pointer.
    void open(const std::vector<ClipItem>& history);
    // The history changed while the panel is open.
    void setHistory(const std::vector<ClipItem>& history);

    static constexpr QSize kDefaultSize{600, 540};
    static constexpr QSize kMinimumSize{480, 360};
    static constexpr int kTemplatePickerWidth = 230;

    // For tests and the benchmark.
    QLineEdit* searchField() const { return search_; }
    QListView* list() const { return list_; }
    const ClipboardPanelModel& model() const { return model_; }
    ClipListModel* rows() const { return rows_; }
    // The context menu of a row, in its order: paste, paste as a file, copy without pasting,
    // pin or unpin, show the files (images and files only), add to the shelf, delete.
    std::unique_ptr<QMenu> menuFor(const ClipItem& item);

  protected:
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void place();
    void queryChanged(const QString& text);
    void selectionChanged();
    void restoreSelection();
    void updateFooter();
    void fillTemplates();
    void pasteTargets(PasteMode mode);
    void pasteRow(int row, PasteMode mode);
    void showMenu(const QPoint& at);

    const L10n& l10n_;
    Actions a_;
    ClipboardPanelModel model_;
    ClipListModel* rows_;
    QLineEdit* search_;
    QLabel* count_;
    QStackedWidget* stack_;
    QListView* list_;
    QLabel* emptyIcon_;
    QLabel* emptyText_;
    QComboBox* templates_;
    QLabel* hint_;
    QPushButton* asFiles_;
    QPushButton* pasteButton_;
    bool restoring_ = false;
    bool placed_ = false;
    // Where the user left the panel, and on which screen.
    std::optional<QPoint> lastPlace_;
    QString lastScreen_;
    // Set on opening: the first activation after it gives the search field the keyboard.
    bool focusSearchOnActivation_ = false;
};

}  // namespace quenda
