#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QObject>

#include "app/MenuModel.h"

class QMenu;
class QSystemTrayIcon;

namespace quenda {

// The tray icon and its menu. The menu is rebuilt from the model every time it opens, so it
// always shows the current shortcuts, bridge target and permission state.
class TrayIcon final : public QObject {
    Q_OBJECT
  public:
    explicit TrayIcon(std::function<std::vector<MenuEntry>()> build);
    ~TrayIcon() override;

    // False when no tray host is running (a bare window manager): the icon then waits for one.
    static bool trayAvailable();
    void show();
    QMenu* menu() const { return menu_.get(); }
    void rebuild();

    // Fills a menu from entries; public so the view test can render a model directly.
    static void fill(QMenu* menu, const std::vector<MenuEntry>& entries);

  private:
    std::function<std::vector<MenuEntry>()> build_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
};

}  // namespace quenda
