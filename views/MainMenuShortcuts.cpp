#include "views/MainMenuShortcuts.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace quenda {

MainMenuShortcuts::MainMenuShortcuts(std::function<void()> openDashboard,
                                     std::function<void()> quit)
    : openDashboard_(std::move(openDashboard)), quit_(std::move(quit)) {}

void MainMenuShortcuts::install() {
    qApp->installEventFilter(this);
}

bool MainMenuShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    QWidget* window = QApplication::activeWindow();
    // Only keys on a widget of our own active window (each key reaches its widget once),
    // and only with Ctrl alone.
    auto* target = qobject_cast<QWidget*>(watched);
    if (!window || !target || target->window() != window || key->modifiers() != Qt::ControlModifier)
        return false;
    switch (key->key()) {
        case Qt::Key_Comma:
            if (openDashboard_) openDashboard_();
            return true;
        case Qt::Key_Q:
            if (quit_) quit_();
            return true;
        case Qt::Key_W:
            window->close();
            return true;
        case Qt::Key_M:
            window->showMinimized();
            return true;
        default:
            return false;
    }
}

}  // namespace quenda
