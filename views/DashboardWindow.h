#pragma once

#include "update/UpdateCard.h"

#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "app/Dashboard.h"
#include "bridge/Relay.h"
#include "bridge/Templates.h"
#include "clipboard/ClipboardStore.h"
#include "core/L10n.h"
#include "groups/Groups.h"
#include "shelf/ShelfStore.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QScrollArea;
class QStackedWidget;
class QTimer;
class QVBoxLayout;

namespace quenda {

// What the dashboard's tabs show and do besides its own state: the models they draw and the
// operations their buttons call.
struct DashboardViewServices {
    const L10n& l10n;
    // The one dispatch of the catalogue's commands.
    std::function<void(HotKeyAction)> execute;
    std::function<QString(HotKeyAction)> title;
    // The shortcut a command shows, or nothing when it has none.
    std::function<std::optional<QString>(HotKeyAction)> shortcut;
    const Groups& groups;
    RelayState& relay;
    // Null on a desktop without a clipboard history.
    ClipboardStore* clipboard = nullptr;
    const ShelfStore& shelf;
    std::function<std::vector<PromptTemplate>()> templates;
    std::function<void()> editTemplates;
    // The screen under the pointer, described, and its automatic group size.
    std::function<std::pair<QString, int>()> screenUnderPointer;
    std::function<void(int slot)> saveWorkspace;
    std::function<void(int slot)> restoreWorkspace;
    std::function<void()> openAccessibilitySettings;
    std::function<void()> openDataFolder;
    // Puts a history item back on the clipboard and says so.
    std::function<void(const ClipItem&)> copyItem;
    // The platform-neutral key code of a key event's native key; nothing for a key a
    // shortcut cannot use.
    std::function<std::optional<uint32_t>(uint32_t nativeScanCode)> keyCodeOfNativeKey;
    QString version;
    QString build;
    // The update card's check and install; only the version line while unset.
    UpdateCard* updateCard = nullptr;
    GuidesCatalog guides;
    // Where the window was left ("x,y,width,height"), read on building and written on
    // every move and resize.
    std::function<QString()> savedFrame;
    std::function<void(const QString&)> saveFrame;
};

// The dashboard: a dark window with a sidebar of six tabs. It draws the controller's state
// and the models it is handed, and every control writes its setting at once.
class DashboardWindow final : public QWidget, public DashboardSurface {
    Q_OBJECT
  public:
    DashboardWindow(DashboardController& controller, DashboardViewServices services);
    ~DashboardWindow() override;

    void present() override;
    void orderOut() override;

    static constexpr int kWidth = 900;
    static constexpr int kHeight = 620;
    static constexpr int kMinWidth = 760;
    static constexpr int kMinHeight = 520;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void buildSidebar();
    void selectTab(DashboardTab tab);
    // Draws the current tab again, after the event that changed something is over.
    void scheduleRefresh();
    void refresh();
    void refreshSidebar();
    QWidget* buildPage(DashboardTab tab);
    QWidget* layoutsPage();
    QWidget* groupsPage();
    QWidget* bridgePage();
    QWidget* clipboardPage();
    QWidget* shortcutsList();
    QWidget* guidesPage();
    void scrollToAnchor();
    void rememberFrame();
    void startRecording(HotKeyAction action);

    DashboardController& controller_;
    DashboardViewServices s_;
    QListWidget* sidebar_ = nullptr;
    QLabel* sidebarFooter_ = nullptr;
    QLabel* axIndicator_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    std::vector<QScrollArea*> scrolls_;
    // The shortcuts tab keeps its search field while its list is drawn again.
    QLineEdit* search_ = nullptr;
    QScrollArea* shortcutsScroll_ = nullptr;
    QPointer<QWidget> guidesAnchor_;
    QPointer<QWidget> settingsAnchor_;
    int guideIndex_ = 0;
    bool refreshPending_ = false;
    bool closing_ = false;
    bool restoringFrame_ = false;
    // Moves and resizes are written once they have settled.
    QTimer* frameSaver_ = nullptr;
};

}  // namespace quenda
