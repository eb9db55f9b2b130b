#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include "hotkeys/KeyCombo.h"
#include "views/MainMenuShortcuts.h"

namespace quenda {

class MainMenuShortcutsTest : public QObject {
    Q_OBJECT
  private slots:
    // The menus, messages and dashboard write a combination the way Qt writes shortcuts on
    // this desktop, so they read like every other application's.
    void combinationsReadAsQtWritesThem() {
        const struct {
            KeyCombo combo;
            QKeySequence qt;
        } cases[] = {
            {{18, kCarbonControl | kCarbonOption}, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_1)},
            {{18, kCarbonOption | kCarbonShift}, QKeySequence(Qt::ALT | Qt::SHIFT | Qt::Key_1)},
            {{kKeyCodeComma, kCarbonControl}, QKeySequence(Qt::CTRL | Qt::Key_Comma)},
            {{49, kCarbonCommand}, QKeySequence(Qt::META | Qt::Key_Space)},
            {{36, kCarbonControl}, QKeySequence(Qt::CTRL | Qt::Key_Return)},
            {{123, kCarbonControl | kCarbonOption},
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Left)},
            {{121, kCarbonShift}, QKeySequence(Qt::SHIFT | Qt::Key_PageDown)},
            {{96, 0}, QKeySequence(Qt::Key_F5)},
            {{87, kCarbonControl}, QKeySequence(Qt::CTRL | Qt::KeypadModifier | Qt::Key_5)},
        };
        for (const auto& c : cases)
            QCOMPARE(c.combo.displayString(), c.qt.toString(QKeySequence::NativeText));
    }

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
