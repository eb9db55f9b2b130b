// The dashboard's window on a real X server, over the simulated desktop: its controls write
// their settings, the bridge tab draws and edits the relay, and the shortcut recorder takes
// keys while the global shortcuts are let go. Each tab is kept as a picture. Run by
// run-on-virtual-desktop.sh on a private Xvfb with openbox.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "layouts/tests/WindowManagerDesk.h"
#include "platform/sim/SimHotKeyRegistrar.h"
#include "platform/sim/SimPasteboard.h"
#include "shelf/tests/ShelfDesk.h"
#include "views/DashboardWindow.h"

namespace quenda {
namespace {

using A = HotKeyAction;

struct FakeLogin : LoginItem {
    bool enabled = false;
    bool isEnabled() override { return enabled; }
    bool setEnabled(bool on, QString*) override {
        enabled = on;
        return true;
    }
};
struct NoOpener : DesktopOpener {
    bool open(const QString&) override { return true; }
    bool reveal(const QString&) override { return true; }
};

// The X key code of K on the test keyboard, and K's platform-neutral code.
constexpr uint32_t kNativeK = 45;
constexpr uint32_t kKeyK = 40;

struct Desk : testing::WindowManagerDesk {
    Desk()
        : WindowManagerDesk("1440x900+0+0"),
          groups({ax, geo, prefs, hud, clock, desktop, arranger, l10n}),
          workspaces({ax, geo, desktop, prefs, hud, clock, desktop, arranger, l10n}),
          shelf({board, hud, l10n, AppPaths(folders)}),
          hotKeys({prefs, registrar, clock, [](A) {}, [](const QString&) {}}),
          controller({{prefs, hud, l10n, login, workspaces, [] { return true; }},
                      desktop,
                      desktop,
                      clock,
                      hotKeys,
                      opener,
                      [](A a) { return rawValue(a); },
                      {},
                      QDir::tempPath(),
                      nullptr},
                     [this](DashboardController& c) {
                         auto w = std::make_unique<DashboardWindow>(c, view());
                         window = w.get();
                         return w;
                     }) {
        hotKeys.reregisterAll();
    }
    DashboardViewServices view() {
        return {.l10n = l10n,
                .execute = [this](A a) { executed << rawValue(a); },
                .title = [](A a) { return rawValue(a); },
                .shortcut = [this](A a) -> std::optional<QString> {
                    if (const auto c = hotKeys.combo(a)) return c->displayString();
                    return std::nullopt;
                },
                .groups = groups,
                .relay = relay,
                .clipboard = nullptr,
                .shelf = shelf,
                .templates =
                    [] {
                        return std::vector<PromptTemplate>{{"resume", "Resumir", "{texto}"}};
                    },
                .editTemplates = [] {},
                .screenUnderPointer =
                    [] {
                        return std::pair{QStringLiteral("1440×900"), 2};
                    },
                .saveWorkspace = [](int) {},
                .restoreWorkspace = [](int) {},
                .openAccessibilitySettings = [] {},
                .openDataFolder = [] {},
                .copyItem = {},
                .keyCodeOfNativeKey = [](uint32_t code) -> std::optional<uint32_t> {
                    if (code == kNativeK) return kKeyK;
                    return std::nullopt;
                },
                .version = "0.1.0",
                .build = "1",
                .guides = GuidesCatalog(ResourceDirs{}),
                .savedFrame = [this] { return frame; },
                .saveFrame = [this](const QString& f) { frame = f; }};
    }

    SimPasteboard board;
    testing::ShelfFolders folders;
    Groups groups;
    Workspaces workspaces;
    RelayState relay;
    ShelfStore shelf;
    FakeLogin login;
    NoOpener opener;
    SimHotKeyRegistrar registrar;
    HotKeyCenter hotKeys;
    DashboardController controller;
    DashboardWindow* window = nullptr;
    QStringList executed;
    QString frame;
};

constexpr int kDeadlineMs = 15000;

// The window's widgets of a kind showing `text`, once pending redraws are done.
template <typename W>
W* shown(QWidget* root, const QString& text) {
    QCoreApplication::processEvents();
    for (W* w : root->findChildren<W*>()) {
        if (w->text() == text && w->isVisible()) return w;
    }
    return nullptr;
}

QStringList labels(QWidget* root) {
    QCoreApplication::processEvents();
    QStringList out;
    for (QLabel* l : root->findChildren<QLabel*>())
        if (l->isVisible() && !l->text().isEmpty()) out << l->text();
    return out;
}

// The shortcut button of a command's row in the shortcuts tab (the row's checkable button).
QPushButton* shortcutButton(QWidget* root, const QString& title) {
    QLabel* label = shown<QLabel>(root, title);
    if (!label) return nullptr;
    for (QPushButton* b : label->parentWidget()->findChildren<QPushButton*>())
        if (b->isCheckable()) return b;
    return nullptr;
}

void keep(QWidget* window, const QString& name) {
    QDir().mkpath(QStringLiteral(QUENDA_ARTIFACTS_DIR));
    window->grab().save(QStringLiteral(QUENDA_ARTIFACTS_DIR "/dashboard-view-%1.png").arg(name));
}

void press(QWidget* w, int key, Qt::KeyboardModifiers mods, uint32_t native) {
    QKeyEvent event(QEvent::KeyPress, key, mods, native, 0, 0);
    QApplication::sendEvent(w, &event);
}

}  // namespace

class DashboardWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void controlsWriteTheirSettings() {
        Desk d;
        d.controller.show(DashboardTab::guidesSettings, GuidesFocusAnchor::settings);
        QVERIFY(QTest::qWaitForWindowExposed(d.window));
        const auto& l = d.l10n;

        auto* login = shown<QCheckBox>(d.window, l.t("settings_launch_login"));
        QVERIFY(login);
        login->click();
        QVERIFY(d.login.enabled);
        QCOMPARE(d.hud.last(), QStringLiteral("Quenda se abrirá al iniciar sesión"));

        auto* gap = shown<QPushButton>(d.window, "16");
        QVERIFY(gap);
        gap->click();
        QCOMPARE(d.defaults.value("gap"), std::optional<DefaultsValue>(int64_t{16}));

        shown<QPushButton>(d.window, l.t("settings_corner_never"))->click();
        QCOMPARE(d.defaults.value("cornerButtonMode"), std::optional<DefaultsValue>(int64_t{0}));
        shown<QPushButton>(d.window, l.t("settings_corner_right"))->click();
        QCOMPARE(d.defaults.value("cornerButtonPosition"),
                 std::optional<DefaultsValue>(int64_t{1}));
        shown<QCheckBox>(d.window, l.t("settings_stage_manager"))->click();
        QCOMPARE(d.defaults.value("stageManagerInset"), std::optional<DefaultsValue>(true));
        // What was written is what the redrawn page shows.
        QTRY_VERIFY_WITH_TIMEOUT(
            shown<QPushButton>(d.window, "16") && shown<QPushButton>(d.window, "16")->isChecked(),
            kDeadlineMs);
        keep(d.window, "guides-settings");

        d.controller.show(DashboardTab::layouts);
        shown<QCheckBox>(d.window, l.t("pref_include_other_screens"))->click();
        QCOMPARE(d.defaults.value("includeOtherScreens"), std::optional<DefaultsValue>(true));
        keep(d.window, "layouts");

        d.controller.show(DashboardTab::groups);
        shown<QPushButton>(d.window, "4")->click();
        QCOMPARE(d.defaults.value("groupSize"), std::optional<DefaultsValue>(int64_t{4}));
        shown<QPushButton>(d.window, l.t("groups_overview_cta"))->click();
        QCOMPARE(d.executed, QStringList{"groups.overview"});
        keep(d.window, "groups");
    }

    void theBridgeTabDrawsAndEditsTheRelay() {
        Desk d;
        const auto dest = [&d](int32_t pid, const char* label) {
            return Dest{AXWindow(d.desktop, {pid, uint64_t(pid)}), pid, QString::fromUtf8(label)};
        };
        d.relay.target = dest(7, "Chat — conversación");
        d.relay.lastSource = dest(8, "Editor — notas.md");
        d.relay.group = {dest(9, "Chat A"), dest(10, "Chat B")};
        d.controller.show(DashboardTab::bridge);
        QVERIFY(QTest::qWaitForWindowExposed(d.window));
        const auto& l = d.l10n;
        QStringList shownLabels = labels(d.window);
        QVERIFY2(shownLabels.contains(QStringLiteral("🎯 Chat — conversación")),
                 qPrintable(shownLabels.join(" | ")));
        QVERIFY(shownLabels.contains(QStringLiteral("Último origen: Editor — notas.md")));
        QVERIFY(shownLabels.contains(QStringLiteral("1. Chat A")));
        QVERIFY(shownLabels.contains(QStringLiteral("2. Chat B")));
        keep(d.window, "bridge");

        // The first member's ✕ takes out that one.
        auto* remove = shown<QPushButton>(d.window, QStringLiteral("✕"));
        QVERIFY(remove);
        remove->click();
        QCOMPARE(d.relay.group.size(), size_t(1));
        QCOMPARE(d.relay.group[0].label, QStringLiteral("Chat B"));
        QTRY_VERIFY_WITH_TIMEOUT(labels(d.window).contains(QStringLiteral("1. Chat B")),
                                 kDeadlineMs);

        auto* picker = d.window->findChild<QComboBox*>();
        QVERIFY(picker);
        QCOMPARE(picker->currentText(), l.t("bridge_template_none"));
        picker->activated(1);
        QCOMPARE(d.defaults.value("templateID"),
                 std::optional<DefaultsValue>(QStringLiteral("resume")));

        shown<QCheckBox>(d.window, l.t("bridge_broadcast_enter"))->click();
        QCOMPARE(d.defaults.value("broadcastEnter"), std::optional<DefaultsValue>(false));
        shown<QCheckBox>(d.window, l.t("bridge_return_toggle"))->click();
        QCOMPARE(d.defaults.value("relayReturn"), std::optional<DefaultsValue>(true));

        shown<QPushButton>(d.window, l.t("bridge_clear_target"))->click();
        QVERIFY(!d.relay.target);
        QVERIFY(!d.relay.lastSource);
        QTRY_VERIFY_WITH_TIMEOUT(!shown<QPushButton>(d.window, l.t("bridge_clear_target")),
                                 kDeadlineMs);
    }

    void theRecorderTakesKeysWhileShortcutsAreLetGo() {
        Desk d;
        d.controller.show(DashboardTab::shortcuts);
        QVERIFY(QTest::qWaitForWindowExposed(d.window));
        const auto registered = d.registrar.active();
        QVERIFY(!registered.empty());
        QVERIFY(!d.hotKeys.combo(A::winLeft));
        QCOMPARE(shortcutButton(d.window, "win.left")->text(), d.l10n.t("shortcuts_unassigned"));

        shortcutButton(d.window, "win.left")->click();
        QVERIFY(d.controller.recorder().recording() == A::winLeft);
        QVERIFY(d.registrar.active().empty());
        QTRY_COMPARE_WITH_TIMEOUT(shortcutButton(d.window, "win.left")->text(),
                                  d.l10n.t("shortcuts_press_keys"), kDeadlineMs);
        keep(d.window, "shortcuts-recording");

        // A key with no modifier asks for one and goes on recording.
        press(d.window, Qt::Key_K, Qt::NoModifier, kNativeK);
        QVERIFY(d.controller.recorder().isRecording());
        QTRY_VERIFY_WITH_TIMEOUT(
            labels(d.window).contains(QStringLiteral("⚠  ") + d.l10n.t("shortcuts_need_modifier")),
            kDeadlineMs);
        // A key no shortcut can use is passed over, modifiers or not.
        press(d.window, Qt::Key_VolumeUp, Qt::ControlModifier | Qt::AltModifier, 123);
        QVERIFY(d.controller.recorder().isRecording());
        QVERIFY(!d.hotKeys.combo(A::winLeft));
        // A modifier on its own is the start of a combination.
        press(d.window, Qt::Key_Control, Qt::ControlModifier, 37);
        QVERIFY(d.controller.recorder().isRecording());

        press(d.window, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, kNativeK);
        QVERIFY(!d.controller.recorder().isRecording());
        QCOMPARE(d.hotKeys.combo(A::winLeft),
                 std::optional<KeyCombo>(KeyCombo{kKeyK, kCarbonControl | kCarbonOption}));
        QVERIFY(!d.hotKeys.isPausedForRecording());
        QVERIFY(!d.registrar.active().empty());
        const QString now = d.hotKeys.combo(A::winLeft)->displayString();
        QTRY_COMPARE_WITH_TIMEOUT(shortcutButton(d.window, "win.left")->text(), now, kDeadlineMs);

        // The search keeps the matching commands only.
        auto* search = d.window->findChild<QLineEdit*>();
        QVERIFY(search);
        search->setText(QStringLiteral("  WIN.LEFT "));
        QTRY_VERIFY_WITH_TIMEOUT(!labels(d.window).contains(QStringLiteral("win.right")),
                                 kDeadlineMs);
        QVERIFY(labels(d.window).contains(QStringLiteral("win.left")));
        search->clear();
        keep(d.window, "shortcuts");

        // Closing in the middle of a recording brings every shortcut back.
        shortcutButton(d.window, "win.left")->click();
        QVERIFY(d.registrar.active().empty());
        d.window->close();
        QVERIFY(!d.hotKeys.isPausedForRecording());
        QCOMPARE(d.registrar.active().size(), registered.size() + 1);
        QVERIFY(!d.frame.isEmpty());  // where it was left, for the next opening
        d.clock.runDue();
        QVERIFY(!d.controller.isOpen());
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::DashboardWindowTest)
#include "DashboardWindowTest.moc"
