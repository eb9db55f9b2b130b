// The corner button's capsule and palette on a real X server: override-redirect windows
// that never take the focus, the palette's seventeen actions in order, the footer naming
// the action under the pointer, and a click handing over the chosen action. Run by
// run-on-virtual-desktop.sh on a private Xvfb with openbox.
#include <optional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QProcess>
#include <QtTest>

#include "core/L10n.h"
#include "views/CornerButtonViews.h"

namespace quenda {
namespace {

constexpr int kDeadlineMs = 15000;

std::optional<QString> run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(kDeadlineMs) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// What xwininfo says of a window: mapped, and not managed by the window manager.
bool viewableOverrideRedirect(WId window) {
    const QString out = run("xwininfo", {"-id", QString::number(window)}).value_or(QString());
    return out.contains("Map State: IsViewable") && out.contains("Override Redirect State: yes");
}

QString activeWindow() {
    return run("xprop", {"-root", "_NET_ACTIVE_WINDOW"}).value_or(QString()).trimmed();
}

}  // namespace

class CornerButtonViewsTest : public QObject {
    Q_OBJECT

  private slots:
    void paletteListsTheActionsAndNamesTheOneUnderThePointer() {
        const L10n& l10n = L10n::shared();
        std::vector<HotKeyAction> chosen;
        PaletteView palette(l10n, [&](const PaletteAction& a) { chosen.push_back(a.action); });
        const QString before = activeWindow();
        palette.setFrame({200, 200, palette.fittingSize().width, palette.fittingSize().height});
        palette.orderFront();
        QTRY_VERIFY_WITH_TIMEOUT(viewableOverrideRedirect(palette.winId()), kDeadlineMs);
        QCOMPARE(QGuiApplication::focusWindow(), nullptr);
        QCOMPARE(activeWindow(), before);

        const auto buttons = palette.findChildren<QAbstractButton*>();
        QCOMPARE(buttons.size(), 17);
        QCOMPARE(buttons.front()->accessibleName(), QStringLiteral("Izquierda (repite: ⅓, ⅔)"));
        QCOMPARE(buttons.back()->accessibleName(), QStringLiteral("Organizador visual"));
        for (const QAbstractButton* b : buttons) QCOMPARE(b->focusPolicy(), Qt::NoFocus);

        QCOMPARE(palette.footerText(), QStringLiteral("Quenda · elige una acción"));
        QTest::mouseMove(buttons[5], buttons[5]->rect().center());
        QTRY_COMPARE(palette.footerText(), QStringLiteral("Auto: reparte las ventanas visibles"));
        QTest::mouseMove(&palette, QPoint(2, palette.height() - 2));
        QTRY_COMPARE(palette.footerText(), QStringLiteral("Quenda · elige una acción"));

        QTest::mouseClick(buttons.front(), Qt::LeftButton);
        QCOMPARE(chosen, std::vector<HotKeyAction>{HotKeyAction::winLeft});
        QCOMPARE(QGuiApplication::focusWindow(), nullptr);
        palette.orderOut();
    }

    void capsuleTakesNoFocusAndReportsClicks() {
        int clicks = 0;
        CornerButtonView capsule([&] { ++clicks; }, QStringLiteral("Quenda"));
        capsule.setFrame({300, 100, 34, 16});
        capsule.orderFront();
        QTRY_VERIFY_WITH_TIMEOUT(viewableOverrideRedirect(capsule.winId()), kDeadlineMs);
        QCOMPARE(capsule.frame(), (Rect{300, 100, 34, 16}));
        QVERIFY(FloatingWindow::ownWindowAt({310, 105}));
        QVERIFY(!FloatingWindow::ownWindowAt({800, 600}));
        QTest::mouseClick(&capsule, Qt::LeftButton, {}, QPoint(17, 8));
        QCOMPARE(clicks, 1);
        QCOMPARE(QGuiApplication::focusWindow(), nullptr);
        capsule.orderOut();
        QVERIFY(!capsule.isShown());
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::CornerButtonViewsTest)
#include "CornerButtonViewsTest.moc"
