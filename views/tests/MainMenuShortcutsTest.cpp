#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "views/MainMenuShortcuts.h"

namespace quenda {

class MainMenuShortcutsTest : public QObject {
    Q_OBJECT
  private slots:
    void keysActOnOurFrontWindowOnly() {
        int dashboards = 0, quits = 0;
        MainMenuShortcuts shortcuts([&] { ++dashboards; }, [&] { ++quits; });
        shortcuts.install();

        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* field = new QLineEdit(&window);
        layout->addWidget(field);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window, 10000));
        field->setFocus();

        QTest::keyClick(field, Qt::Key_Comma, Qt::ControlModifier);
        QCOMPARE(dashboards, 1);
        QTest::keyClick(field, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(quits, 1);
        // Other modifiers and the text field's own keys go where they always went.
        QTest::keyClick(field, Qt::Key_Comma, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(dashboards, 1);
        field->setText("hola");
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(field->selectedText(), QStringLiteral("hola"));

        QTest::keyClick(field, Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 10000);
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::MainMenuShortcutsTest)
#include "MainMenuShortcutsTest.moc"
