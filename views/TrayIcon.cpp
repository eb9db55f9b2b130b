#include "views/TrayIcon.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

namespace quenda {

namespace {
// Four tiled panes: the program's mark.
QIcon trayGlyph() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(0xE8, 0xEA, 0xED), std::max(1.0, size / 16.0)));
        p.setBrush(QColor(0xE8, 0xEA, 0xED, 70));
        const double m = size * 0.12, gap = size * 0.08;
        const double cell = (size - 2 * m - gap) / 2;
        for (int r = 0; r < 2; ++r)
            for (int c = 0; c < 2; ++c)
                p.drawRoundedRect(QRectF(m + c * (cell + gap), m + r * (cell + gap), cell, cell),
                                  size / 16.0, size / 16.0);
        icon.addPixmap(pixmap);
    }
    return icon;
}
}  // namespace

TrayIcon::TrayIcon(std::function<std::vector<MenuEntry>()> build)
    : build_(std::move(build)), menu_(std::make_unique<QMenu>()) {
    connect(menu_.get(), &QMenu::aboutToShow, this, &TrayIcon::rebuild);
}

TrayIcon::~TrayIcon() = default;

bool TrayIcon::trayAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show() {
    icon_ = std::make_unique<QSystemTrayIcon>(trayGlyph());
    icon_->setToolTip(QStringLiteral("Quenda"));
    icon_->setContextMenu(menu_.get());
    // A left click opens the same menu, as the status item does.
    connect(icon_.get(), &QSystemTrayIcon::activated, this, [this](auto reason) {
        if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
    });
    rebuild();
    icon_->show();
}

void TrayIcon::rebuild() {
    menu_->clear();
    fill(menu_.get(), build_());
}

void TrayIcon::fill(QMenu* menu, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
            case MenuEntry::Kind::Separator:
                menu->addSeparator();
                break;
            case MenuEntry::Kind::Submenu: {
                QMenu* sub = menu->addMenu(e.title);
                fill(sub, e.children);
                break;
            }
            case MenuEntry::Kind::Item: {
                // Text after a tab is drawn in the shortcut column without claiming the keys:
                // the global shortcut itself belongs to the hot key center.
                QString text = e.title;
                text.replace(QLatin1Char('&'), QLatin1String("&&"));
                if (!e.shortcut.isEmpty()) text += QLatin1Char('\t') + e.shortcut;
                QAction* action = menu->addAction(text);
                action->setEnabled(e.enabled);
                if (e.run) QObject::connect(action, &QAction::triggered, menu, e.run);
                break;
            }
        }
    }
}

}  // namespace quenda
