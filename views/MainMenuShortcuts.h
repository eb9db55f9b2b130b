#pragma once

#include <functional>

#include <QObject>

namespace quenda {

// The standard keys of our own windows (the dashboard, panels): Ctrl+, opens the dashboard,
// Ctrl+Q quits, Ctrl+W closes and Ctrl+M minimises the window in front. Text fields keep
// their own editing keys (undo, redo, cut, copy, paste, select all). Nothing here acts
// while another application's window is in front: these are not global shortcuts.
class MainMenuShortcuts final : public QObject {
    Q_OBJECT
  public:
    MainMenuShortcuts(std::function<void()> openDashboard, std::function<void()> quit);
    // Installs the filter on the application.
    void install();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    std::function<void()> openDashboard_;
    std::function<void()> quit_;
};

}  // namespace quenda
