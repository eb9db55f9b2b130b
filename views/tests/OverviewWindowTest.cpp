// The overview organiser's window on a real X server, over a store on the simulated
// desktop: the two-click quit button and its disarming, drops that carry an item's id or
// anything else, and the keys. (Dragging cards with the pointer and the pictures of real
// windows are checked end to end, tests/e2e/overview.sh.) Run by run-on-virtual-desktop.sh
// on a private Xvfb with openbox.
#include <QApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QtTest>

#include "groups/tests/GroupsDesk.h"
#include "platform/sim/SimThumbnails.h"
#include "views/OverviewWindow.h"

namespace quenda {

class OverviewWindowTest : public QObject {
    Q_OBJECT

    struct Scene : testing::GroupsDesk {
        // `windowless`: applications running without a window, by pid and name; `figures`:
        // their memory, read when the store loads and delivered when the test says.
        explicit Scene(const std::vector<std::pair<int32_t, QString>>& windowless = {},
                       const std::map<int32_t, double>& figures = {}) {
            memory.figures = figures;
            windows = desktop.load(
                "101 Firefox 'a' 0,25 700x800; 102 Mail 'b' 10,25 700x800; "
                "103 Notes 'c' 20,25 700x800");
            for (const auto& [pid, name] : windowless) desktop.app(pid, name);
            store = std::make_unique<OverviewStore>(
                OverviewStore::Services{ax, groups, desktop, prefs, hud, l10n, thumbnails, memory},
                desktop.screens().front());
            store->load();
            window = std::make_unique<OverviewWindow>(
                *store, l10n, OverviewWindow::Actions{[this] { ++starts; }, [this] { ++cancels; }});
            window->present(desktop.screens().front());
        }
        QPushButton* quitButton() const {
            return window->findChild<QPushButton*>(QStringLiteral("quit-ungrouped"));
        }
        // Drops `text` on the widget named `target`, as a drag from anywhere would.
        void drop(const QString& target, const QString& text) {
            QWidget* on = window->findChild<QWidget*>(target);
            QVERIFY(on);
            QMimeData data;
            data.setText(text);
            QDropEvent event(QPointF(10, 10), Qt::MoveAction, &data, Qt::LeftButton,
                             Qt::NoModifier);
            // Straight to the widget: the application passes drops on only within a drag.
            static_cast<QObject*>(on)->event(&event);
            QApplication::processEvents();
            QApplication::processEvents();
        }
        SimThumbnails thumbnails{desktop};
        SimProcessMemory memory;
        std::vector<uint64_t> windows;
        std::unique_ptr<OverviewStore> store;
        std::unique_ptr<OverviewWindow> window;
        int starts = 0, cancels = 0;
    };

  private slots:
    void quitButtonAsksTwiceAndDisarmsAfterThreeSeconds() {
        Scene s;
        QVERIFY(s.quitButton());
        QCOMPARE(s.quitButton()->text(), QStringLiteral("Cerrar todo lo que no está en un grupo"));
        s.window->clickQuitUngrouped();
        QTRY_COMPARE(s.quitButton()->text(), QStringLiteral("¿Seguro? Clic otra vez"));
        QTest::qWait(2500);
        QVERIFY(s.window->quitArmed());
        QTRY_VERIFY_WITH_TIMEOUT(!s.window->quitArmed(), 2000);
        QTRY_COMPARE(s.quitButton()->text(),
                     QStringLiteral("Cerrar todo lo que no está en un grupo"));
        QVERIFY(!s.desktop.isTerminated(101));

        s.window->clickQuitUngrouped();
        s.window->clickQuitUngrouped();
        for (const int32_t pid : {101, 102, 103}) QVERIFY(s.desktop.isTerminated(pid));
        QVERIFY(s.store->pool().empty());
    }

    void memoryFiguresChangeTextsNotCards() {
        Scene s({{201, QStringLiteral("Syncer")}, {202, QStringLiteral("Tray")}},
                {{101, 200}, {201, 10}, {202, 1024}});
        QApplication::processEvents();
        const auto card = s.window->findChild<QWidget*>(QStringLiteral("card"));
        QVERIFY(card);
        const auto strip = [&] {
            QStringList texts;
            for (auto* b : s.window->findChildren<QPushButton*>(QStringLiteral("background-app")))
                if (b->isVisibleTo(s.window.get())) texts << b->text();
            return texts;
        };
        const auto subtitle = [&] {
            return s.window->findChild<QLabel*>(QStringLiteral("subtitle"))->text();
        };
        QCOMPARE(strip(), (QStringList{"Syncer", "Tray"}));
        QVERIFY(!subtitle().contains(QStringLiteral("1.2 GB")));

        s.memory.deliver();
        QTRY_COMPARE(strip(), (QStringList{"Tray\n1.0 GB", "Syncer\n10 MB"}));
        QVERIFY(subtitle().contains(QStringLiteral("1.2 GB")));
        QCOMPARE(s.window->findChild<QWidget*>(QStringLiteral("card")), card);
    }

    void dropsMoveOnlyTheOrganisersOwnItems() {
        Scene s;
        const QUuid first = s.store->pool().front()->id;
        for (const QString& other : {QString(), QStringLiteral("hello"),
                                     QUuid::createUuid().toString(), QString(100000, 'x')}) {
            s.drop(QStringLiteral("new-group"), other);
            QVERIFY(s.store->groups().empty());
        }
        s.drop(QStringLiteral("new-group"), first.toString(QUuid::WithoutBraces));
        QTRY_COMPARE(s.store->groups().size(), size_t(1));
        QCOMPARE(s.store->groups().front().items.front()->id, first);
        QTRY_VERIFY(s.window->findChild<QWidget*>(QStringLiteral("group")));
        s.drop(QStringLiteral("pool"), first.toString());
        QTRY_COMPARE(s.store->pool().back()->id, first);
        QVERIFY(s.store->groups().front().items.empty());
    }

    void escapeCancelsAndReturnStarts() {
        Scene s;
        QTRY_VERIFY(s.window->isVisible());
        QTest::keyClick(s.window.get(), Qt::Key_Escape);
        QTRY_COMPARE(s.cancels, 1);
        QTest::keyClick(s.window.get(), Qt::Key_Return);
        QTRY_COMPARE(s.starts, 1);
        QVERIFY(s.groups.groups().empty());  // the window only asks; the controller applies
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::OverviewWindowTest)
#include "OverviewWindowTest.moc"
