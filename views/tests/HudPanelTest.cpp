// The HUD panel on a real X server: where it appears, what it looks like (a screenshot kept
// as an artefact), that it takes neither focus nor clicks, and that it fades away. Run by
// run-on-virtual-desktop.sh on a private Xvfb with openbox, once per monitor layout.
#include <memory>
#include <optional>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>

#include "app/HudPresenter.h"
#include "core/L10n.h"
#include "core/ScreenGeo.h"
#include "platform/desktop/QtMainClock.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/VirtualClock.h"
#include "views/HudPanel.h"

namespace quenda {
namespace {

constexpr int kDeadlineMs = 15000;  // a loaded two-core machine can take seconds to map

// Runs a tool and returns its standard output; nothing when it fails.
std::optional<QString> run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(kDeadlineMs) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The window's place on the screen and whether it is mapped, as xwininfo reports them.
struct XWindowInfo {
    QRect geometry;
    bool viewable = false;
    bool overrideRedirect = false;
};

XWindowInfo xwininfo(WId window) {
    const QString out = run("xwininfo", {"-id", QString::number(window)}).value_or(QString());
    const auto field = [&](const char* name) {
        const QRegularExpression re(QStringLiteral("%1:\\s*(-?\\d+)").arg(name));
        return re.match(out).captured(1).toInt();
    };
    return {QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                  field("Height")),
            out.contains("Map State: IsViewable"), out.contains("Override Redirect State: yes")};
}

WId activeWindow() {
    return run("xdotool", {"getactivewindow"}).value_or(QString()).trimmed().toULongLong();
}

bool click(const QPoint& at) {
    const QStringList args{"mousemove", "--sync", QString::number(at.x()), QString::number(at.y()),
                           "click",     "1"};
    return run("xdotool", args).has_value();
}

// A plain window that remembers where it was clicked (global coordinates).
class ClickTarget : public QWidget {
  public:
    explicit ClickTarget(QColor colour, Qt::WindowFlags flags = {})
        : QWidget(nullptr, flags), colour_(colour) {}
    QList<QPoint> clicks;

  protected:
    void mousePressEvent(QMouseEvent* e) override { clicks << e->globalPosition().toPoint(); }
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), colour_); }

  private:
    QColor colour_;
};

// The monitors Qt sees, as a monitor spec (the primary first, relative to its top-left).
QString monitorSpec() {
    const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
    QList<QScreen*> screens = QGuiApplication::screens();
    screens.removeOne(QGuiApplication::primaryScreen());
    screens.prepend(QGuiApplication::primaryScreen());
    QStringList monitors;
    for (const QScreen* screen : screens) {
        const QRect g = screen->geometry().translated(-origin);
        monitors
            << QStringLiteral("%1x%2+%3+%4").arg(g.width()).arg(g.height()).arg(g.x()).arg(g.y());
    }
    return monitors.join(u',');
}

// Where messages go in these tests: the last monitor, under the pointer.
QRect targetScreen() {
    return QGuiApplication::screens().last()->geometry();
}

// Simulated screens that mirror the X server's monitors, with the pointer on the target
// one; the X11 screens backend is not what this test is about.
struct Scene {
    Scene() : desk(monitorSpec()), prefs(defaults), geo(desk, prefs) {
        const QPoint origin = QGuiApplication::primaryScreen()->geometry().topLeft();
        const QPoint pointer = targetScreen().center() - origin;
        desk.setPointer({double(pointer.x()), double(pointer.y())});
    }
    std::unique_ptr<HudPresenter> presenter(Clock& clock) {
        return std::make_unique<HudPresenter>(
            [this] {
                auto made = std::make_unique<HudPanel>();
                panel = made.get();
                return made;
            },
            geo, clock);
    }
    SimDesktop desk;
    SimDefaults defaults;
    Prefs prefs;
    ScreenGeo geo;
    HudPanel* panel = nullptr;
};

// A bright window over the lower part of the target screen, mapped and focused.
std::unique_ptr<ClickTarget> openWindowBelow() {
    auto below = std::make_unique<ClickTarget>(QColor(236, 239, 244));
    below->setWindowTitle("below");
    const QRect screen = targetScreen();
    below->setGeometry(screen.x() + 100, screen.bottom() - 500, screen.width() - 200, 450);
    below->show();
    if (!QTest::qWaitForWindowExposed(below.get(), kDeadlineMs)) return nullptr;
    below->activateWindow();
    const WId id = below->winId();
    if (!QTest::qWaitFor([&] { return activeWindow() == id; }, kDeadlineMs)) return nullptr;
    return below;
}

QString artefact(const QString& name) {
    QDir().mkpath(QStringLiteral(QUENDA_ARTIFACTS_DIR));
    return QDir(QStringLiteral(QUENDA_ARTIFACTS_DIR)).filePath(name);
}

bool dark(QRgb c) {
    return qRed(c) < 70 && qGreen(c) < 70 && qBlue(c) < 70;
}

}  // namespace

class HudPanelTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() {
        QVERIFY2(QGuiApplication::platformName() == "xcb", "needs an X server");
        // The spec the wrapper gave the virtual desktop, as Qt sees it.
        QCOMPARE(monitorSpec(), qEnvironmentVariable("QUENDA_VIEW_MONITORS"));
    }

    void convertsDesktopCoordinatesWithThePrimaryScreen_data() {
        QTest::addColumn<Rect>("frame");
        QTest::addColumn<QRect>("primary");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("low on the primary")
            << Rect{610, 786, 220, 44} << QRect(0, 0, 1440, 900) << QRect(610, 786, 220, 44);
        QTest::newRow("primary not at the root origin")
            << Rect{0, 0, 10, 10} << QRect(100, 50, 1440, 900) << QRect(100, 50, 10, 10);
        QTest::newRow("monitor hanging below the primary")
            << Rect{2290, 966, 220, 44} << QRect(0, 0, 1440, 900) << QRect(2290, 966, 220, 44);
        QTest::newRow("half points round away from zero")
            << Rect{609.5, 786, 221, 44} << QRect(0, 0, 1440, 900) << QRect(610, 786, 221, 44);
    }
    void convertsDesktopCoordinatesWithThePrimaryScreen() {
        QFETCH(Rect, frame);
        QFETCH(QRect, primary);
        QFETCH(QRect, expected);
        QCOMPARE(HudPanel::toQt(frame, primary), expected);
    }

    void showsLowOnTheScreenTakesNoFocusAndLetsClicksThrough() {
        const auto below = openWindowBelow();
        QVERIFY(below);
        Scene scene;
        VirtualClock clock;  // no fade while we look
        const auto hud = scene.presenter(clock);
        const QString message = L10n::shared().format("hud_ready", {"⌃⌥1", "⌥⇧1"});
        hud->show(message, 2.6);
        QVERIFY(scene.panel);
        HudPanel& panel = *scene.panel;

        // Where the presenter put it, as the X server has it.
        const double width =
            std::max(panel.naturalTextWidth(message) + HudPresenter::kTextPadding, 220.0);
        const QRect screen = targetScreen();
        const double centre = screen.x() + screen.width() / 2.0;
        const QRect expected(static_cast<int>(std::lround(centre - width / 2)),
                             screen.y() + screen.height() - 70 - 44,
                             static_cast<int>(std::lround(width)), 44);
        QTRY_VERIFY_WITH_TIMEOUT(xwininfo(panel.winId()).viewable, kDeadlineMs);
        const XWindowInfo x = xwininfo(panel.winId());
        QCOMPARE(x.geometry, expected);
        QVERIFY2(x.overrideRedirect, "the window manager must not manage the HUD");
        QCOMPARE(panel.shownText(), message);  // fits: nothing elided

        // Drawn above the window below: dark panel, bright window around it. The whole root
        // window is kept as the artefact: hud.png, or hud-2-monitors.png and so on.
        const qsizetype monitors = QGuiApplication::screens().size();
        const QString name =
            monitors == 1 ? QString("hud") : QString("hud-%1-monitors").arg(monitors);
        const QString path = artefact(name + ".png");
        const QPoint inside = expected.topLeft() + QPoint(6, expected.height() / 2);
        const QPoint above = expected.topLeft() + QPoint(expected.width() / 2, -6);
        QImage shot;
        QVERIFY(QTest::qWaitFor(
            [&] {
                shot = run("import", {"-window", "root", path}) ? QImage(path) : QImage();
                return !shot.isNull() && dark(shot.pixel(inside)) && !dark(shot.pixel(above));
            },
            kDeadlineMs));
        QVERIFY(
            shot.copy(expected.adjusted(-40, -40, 40, 40)).save(artefact(name + "-closeup.png")));

        // Neither showing it nor clicking on it moves the focus.
        QCOMPARE(activeWindow(), below->winId());
        QVERIFY(click(expected.center()));
        QTRY_COMPARE_WITH_TIMEOUT(below->clicks.size(), 1, kDeadlineMs);
        QCOMPARE(below->clicks.front(), expected.center());
        QCOMPARE(activeWindow(), below->winId());
        QVERIFY(panel.isVisible());
    }

    // The click check above can fail: an ordinary window in the same place catches the click.
    void anOrdinaryWindowInTheSamePlaceCatchesTheClick() {
        const auto below = openWindowBelow();
        QVERIFY(below);
        ClickTarget blocker(QColor(30, 30, 30),
                            Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        const QRect screen = targetScreen();
        blocker.setGeometry(screen.center().x() - 110, screen.bottom() - 113, 220, 44);
        blocker.show();
        QTRY_VERIFY_WITH_TIMEOUT(xwininfo(blocker.winId()).viewable, kDeadlineMs);
        QVERIFY(click(blocker.geometry().center()));
        QTRY_COMPARE_WITH_TIMEOUT(blocker.clicks.size(), 1, kDeadlineMs);
        QCOMPARE(below->clicks.size(), 0);
    }

    void fadesOutAfterItsDurationAndHides() {
        Scene scene;
        QtMainClock clock;
        const auto hud = scene.presenter(clock);
        hud->show("Copiado", 0.2);
        QVERIFY(scene.panel);
        QTRY_VERIFY_WITH_TIMEOUT(xwininfo(scene.panel->winId()).viewable, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(scene.panel->fading(), kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(!scene.panel->isVisible(), kDeadlineMs);
        QCOMPARE(scene.panel->alpha(), 0.0);
        QTRY_VERIFY_WITH_TIMEOUT(!xwininfo(scene.panel->winId()).viewable, kDeadlineMs);
    }

    void aMessageShownDuringTheFadeStays() {
        Scene scene;
        QtMainClock clock;
        const auto hud = scene.presenter(clock);
        hud->show("Primero", 0.05);
        QVERIFY(scene.panel);
        QTRY_VERIFY_WITH_TIMEOUT(scene.panel->fading(), kDeadlineMs);
        hud->show("Segundo", 60);
        // The fade is over and its completion has run, seeing alpha 1: nothing left to hide it.
        QVERIFY(!scene.panel->fading());
        QCOMPARE(scene.panel->alpha(), 1.0);
        QCoreApplication::processEvents();
        QVERIFY(scene.panel->isVisible());
        QCOMPARE(scene.panel->text(), QString("Segundo"));
    }

    void aLongMessageIsCutAtTheTail() {
        Scene scene;
        VirtualClock clock;
        const auto hud = scene.presenter(clock);
        const QString message = QString("Una frase muy larga que no cabe. ").repeated(12);
        hud->show(message, 1.6);
        QVERIFY(scene.panel);
        QCOMPARE(scene.panel->width(), targetScreen().width() - 80);
        const QString shown = scene.panel->shownText();
        QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QVERIFY(message.startsWith(shown.chopped(1)));
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::HudPanelTest)
#include "HudPanelTest.moc"
