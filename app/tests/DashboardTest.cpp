#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/Dashboard.h"
#include "layouts/tests/WindowManagerDesk.h"
#include "platform/sim/SimHotKeyRegistrar.h"
#include "workspaces/SavedWindow.h"

namespace quenda {
namespace {

using A = HotKeyAction;

struct FakeLogin : LoginItem {
    bool enabled = false;
    bool fails = false;
    bool isEnabled() override { return enabled; }
    bool setEnabled(bool on, QString* error) override {
        if (fails) {
            *error = QStringLiteral("/cfg/autostart: Permission denied");
            return false;
        }
        enabled = on;
        return true;
    }
};

struct RevealLog : DesktopOpener {
    QStringList revealed;
    bool open(const QString&) override { return true; }
    bool reveal(const QString& path) override {
        revealed << path;
        return true;
    }
};

struct Window : DashboardSurface {
    int& presents;
    int& orderOuts;
    Window(int& p, int& o) : presents(p), orderOuts(o) {}
    void present() override { ++presents; }
    void orderOut() override { ++orderOuts; }
};

struct Events : ActiveWindowEvents {
    std::function<void(uint64_t)> changed;
    void setActiveWindowHandler(std::function<void(uint64_t)> f) override {
        changed = std::move(f);
    }
};

struct Desk : testing::WindowManagerDesk {
    Desk()
        : WindowManagerDesk("1000x800+0+0"),
          workspaces({ax, geo, desktop, prefs, hud, clock, desktop, arranger, l10n}),
          hotKeys({prefs, registrar, clock, [](A) {}, [](const QString&) {}}),
          dashboard({{prefs, hud, l10n, login, workspaces, [this] { return trusted; },
                      [this] { ++cornerHidden; }},
                     desktop,
                     desktop,
                     clock,
                     hotKeys,
                     opener,
                     [](A a) { return rawValue(a); },
                     [] {
                         DiagnosticFacts f;
                         f.version = "0.1.0";
                         f.build = "1";
                         f.bundle = "org.quenda.Quenda";
                         f.localization = "es";
                         f.displays = 2;
                         f.distribution = "Debian GNU/Linux 12 (bookworm)";
                         f.kernel = "6.1.0-18-amd64";
                         f.xServer = "The X.Org Foundation 12101007";
                         f.windowManager = "Openbox";
                         f.screens = {"1440x900+0+0", "1920x1080+1440+0"};
                         return f;
                     },
                     temp.path(),
                     &events},
                    [this](DashboardController&) {
                        ++built;
                        return std::make_unique<Window>(presents, orderOuts);
                    }) {
        hotKeys.reregisterAll();
    }
    void saveSlot(int slot, const QStringList& apps) {
        std::vector<SavedWindow> saved;
        for (const QString& app : apps)
            saved.push_back({app.toLower(), app, "t", {0, 0, 100, 100}});
        defaults.setValue(settings::workspaceSlot(slot).name(), *encodeSavedWindows(saved));
    }
    QTemporaryDir temp;
    bool trusted = true;
    int cornerHidden = 0;
    int built = 0, presents = 0, orderOuts = 0;
    FakeLogin login;
    RevealLog opener;
    Events events;
    SimHotKeyRegistrar registrar;
    Workspaces workspaces;
    HotKeyCenter hotKeys;
    DashboardController dashboard;
    DashboardState& state = dashboard.state();
};

TEST(DashboardState, SyncReadsEverySettingAndItsDefault) {
    Desk d;
    EXPECT_FALSE(d.state.includeOtherScreens);
    EXPECT_EQ(d.state.groupSize, 0);
    EXPECT_FALSE(d.state.relayReturn);
    EXPECT_TRUE(d.state.broadcastEnter);
    EXPECT_EQ(d.state.templateID, "none");
    EXPECT_EQ(d.state.gap, 8);
    EXPECT_EQ(d.state.cornerButtonMode, 2);
    EXPECT_EQ(d.state.cornerButtonPosition, 0);
    EXPECT_FALSE(d.state.stageManagerInset);
    EXPECT_FALSE(d.state.launchAtLogin);
    EXPECT_TRUE(d.state.isAccessibilityTrusted);

    d.defaults.setValue("includeOtherScreens", true);
    d.defaults.setValue("groupSize", int64_t{3});
    d.defaults.setValue("relayReturn", true);
    d.defaults.setValue("broadcastEnter", false);
    d.defaults.setValue("templateID", QStringLiteral("resume"));
    d.defaults.setValue("gap", int64_t{16});
    d.defaults.setValue("cornerButtonMode", int64_t{1});
    d.defaults.setValue("cornerButtonPosition", int64_t{1});
    d.defaults.setValue("stageManagerInset", true);
    d.login.enabled = true;
    d.trusted = false;
    d.state.syncFromSystem();
    EXPECT_TRUE(d.state.includeOtherScreens);
    EXPECT_EQ(d.state.groupSize, 3);
    EXPECT_TRUE(d.state.relayReturn);
    EXPECT_FALSE(d.state.broadcastEnter);
    EXPECT_EQ(d.state.templateID, "resume");
    EXPECT_EQ(d.state.gap, 16);
    EXPECT_EQ(d.state.cornerButtonMode, 1);
    EXPECT_EQ(d.state.cornerButtonPosition, 1);
    EXPECT_TRUE(d.state.stageManagerInset);
    EXPECT_TRUE(d.state.launchAtLogin);
    EXPECT_FALSE(d.state.isAccessibilityTrusted);

    // A value of the wrong type reads as the default, as every reader of the setting sees it.
    d.defaults.setValue("gap", QStringLiteral("wide"));
    d.state.syncFromSystem();
    EXPECT_EQ(d.state.gap, 8);
}

// Every control writes its setting at once, and the field shows what was stored.
TEST(DashboardState, ControlsWriteTheirSettings) {
    Desk d;
    int changes = 0;
    QObject::connect(&d.state, &DashboardState::changed, [&] { ++changes; });
    d.state.setIncludeOtherScreens(true);
    d.state.setGroupSize(6);
    d.state.setRelayReturn(true);
    d.state.setBroadcastEnter(false);
    d.state.setTemplateID("traducir");
    d.state.setGap(24);
    d.state.setCornerButtonPosition(1);
    d.state.setStageManagerInset(true);
    EXPECT_EQ(changes, 8);
    EXPECT_EQ(d.defaults.value("includeOtherScreens"), DefaultsValue(true));
    EXPECT_EQ(d.defaults.value("groupSize"), DefaultsValue(int64_t{6}));
    EXPECT_EQ(d.defaults.value("relayReturn"), DefaultsValue(true));
    EXPECT_EQ(d.defaults.value("broadcastEnter"), DefaultsValue(false));
    EXPECT_EQ(d.defaults.value("templateID"), DefaultsValue(QStringLiteral("traducir")));
    EXPECT_EQ(d.defaults.value("gap"), DefaultsValue(int64_t{24}));
    EXPECT_EQ(d.defaults.value("cornerButtonPosition"), DefaultsValue(int64_t{1}));
    EXPECT_EQ(d.defaults.value("stageManagerInset"), DefaultsValue(true));

    // A value the setting refuses is not stored, and the field keeps the stored one.
    d.state.setCornerButtonPosition(7);
    EXPECT_EQ(d.state.cornerButtonPosition, 1);
    EXPECT_EQ(d.defaults.value("cornerButtonPosition"), DefaultsValue(int64_t{1}));
}

// "Never" hides the corner button at once; the other modes wait for its next look.
TEST(DashboardState, CornerButtonModeNeverHidesTheButtonAtOnce) {
    Desk d;
    d.state.setCornerButtonMode(1);
    EXPECT_EQ(d.cornerHidden, 0);
    EXPECT_EQ(d.defaults.value("cornerButtonMode"), DefaultsValue(int64_t{1}));
    d.state.setCornerButtonMode(0);
    EXPECT_EQ(d.cornerHidden, 1);
    EXPECT_EQ(d.state.cornerButtonMode, 0);
    d.state.setCornerButtonMode(2);
    EXPECT_EQ(d.cornerHidden, 1);
}

TEST(DashboardState, WorkspaceSummaries) {
    Desk d;
    d.saveSlot(1, {"A", "B", "A", "C", "D"});
    d.saveSlot(2, {"Terminal", "Terminal", "Editor"});
    d.defaults.setValue("workspace.3", QByteArray("not json"));
    d.state.refreshWorkspaces();
    EXPECT_EQ(d.state.workspaceSummaries.at(1), "5 ventanas · A, B, C…");
    EXPECT_EQ(d.state.workspaceSummaries.at(2), "3 ventanas · Terminal, Editor");
    EXPECT_EQ(d.state.workspaceSummaries.at(3), "Vacía");

    d.saveSlot(3, {"A", "B", "C"});
    d.defaults.remove("workspace.1");
    d.state.refreshWorkspaces();
    EXPECT_EQ(d.state.workspaceSummaries.at(1), "Vacía");
    EXPECT_EQ(d.state.workspaceSummaries.at(3), "3 ventanas · A, B, C");
}

TEST(DashboardState, LaunchAtLoginSaysWhatHappened) {
    Desk d;
    d.state.setLaunchAtLogin(true);
    EXPECT_TRUE(d.state.launchAtLogin);
    EXPECT_TRUE(d.login.enabled);
    EXPECT_EQ(d.hud.last(), "Quenda se abrirá al iniciar sesión");
    d.state.setLaunchAtLogin(false);
    EXPECT_FALSE(d.state.launchAtLogin);
    EXPECT_EQ(d.hud.last(), "Quenda ya no se abrirá al iniciar sesión");

    // A failure shows the reason, and the switch what the login item really is.
    d.login.fails = true;
    d.state.setLaunchAtLogin(true);
    EXPECT_FALSE(d.state.launchAtLogin);
    EXPECT_EQ(d.hud.last(),
              "No pude cambiar el inicio automático: /cfg/autostart: Permission denied");
    EXPECT_EQ(d.hud.messages.back().duration, 1.6);
}

TEST(Dashboard, ShowSelectsTheTabAndKeepsTheLastOne) {
    Desk d;
    d.dashboard.show(DashboardTab::guidesSettings, GuidesFocusAnchor::guides);
    EXPECT_EQ(d.built, 1);
    EXPECT_EQ(d.presents, 1);
    EXPECT_EQ(d.state.selectedTab, DashboardTab::guidesSettings);
    EXPECT_EQ(d.state.focusAnchor, GuidesFocusAnchor::guides);

    d.state.setSelectedTab(DashboardTab::bridge);
    d.dashboard.show();
    EXPECT_EQ(d.built, 1) << "an open window is brought forward, not built again";
    EXPECT_EQ(d.presents, 2);
    EXPECT_EQ(d.state.selectedTab, DashboardTab::bridge);
    EXPECT_EQ(d.state.focusAnchor, std::nullopt);

    d.dashboard.windowWillClose();
    EXPECT_FALSE(d.dashboard.isOpen());
    d.clock.runDue();
    d.dashboard.show();
    EXPECT_EQ(d.built, 2);
    EXPECT_EQ(d.state.selectedTab, DashboardTab::bridge);
}

// The permission is read every 1.2 s while the window is open, and not at all once closed.
TEST(Dashboard, ThePermissionIsPolledWhileOpen) {
    Desk d;
    d.dashboard.show();
    d.trusted = false;
    d.clock.advance(1.1);
    EXPECT_TRUE(d.state.isAccessibilityTrusted);
    d.clock.advance(0.1);
    EXPECT_FALSE(d.state.isAccessibilityTrusted);

    d.dashboard.windowWillClose();
    d.trusted = true;
    d.clock.advance(5);
    EXPECT_FALSE(d.state.isAccessibilityTrusted);
}

// Closing the window in the middle of a recording brings every shortcut back.
TEST(Dashboard, ClosingWhileRecordingLeavesTheShortcutsRegistered) {
    Desk d;
    const auto registered = d.registrar.active();
    ASSERT_FALSE(registered.empty());
    d.dashboard.show(DashboardTab::shortcuts);
    d.dashboard.recorder().start(A::winLeft);
    EXPECT_TRUE(d.hotKeys.isPausedForRecording());
    EXPECT_TRUE(d.registrar.active().empty());
    d.dashboard.windowWillClose();
    EXPECT_FALSE(d.dashboard.recorder().isRecording());
    EXPECT_FALSE(d.hotKeys.isPausedForRecording());
    EXPECT_EQ(d.registrar.active(), registered);
}

TEST(Dashboard, WindowCommandsActOnTheUsersLastWindow) {
    Desk d;
    const uint64_t editor = d.desktop.open(101, "Editor", "doc", {100, 100, 400, 300});
    d.desktop.focus(editor);
    d.dashboard.startTrackingExternalApps();
    ASSERT_EQ(d.dashboard.lastExternalWindow(), (WindowRef{101, editor}));

    // The dashboard itself becomes active: the editor stays the one remembered.
    const uint64_t own = d.desktop.open(d.desktop.ownProcess, "Quenda", "Quenda", {0, 0, 900, 620});
    d.desktop.focus(own);
    d.events.changed(own);
    d.dashboard.show();
    EXPECT_EQ(d.dashboard.lastExternalWindow(), (WindowRef{101, editor}));

    int ran = 0;
    d.dashboard.runOnExternalWindow([&] { ++ran; });
    ASSERT_FALSE(d.desktop.plans.empty());
    EXPECT_EQ(d.desktop.plans.back().focus, (WindowRef{101, editor}));
    d.clock.advance(0.13);
    EXPECT_EQ(ran, 0);
    d.clock.advance(0.01);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(d.orderOuts, 0) << "the dashboard stays open behind the window";

    // Once the application has quit, the dashboard steps aside instead.
    d.desktop.quit(101);
    d.dashboard.runOnExternalWindow([&] { ++ran; });
    EXPECT_EQ(d.orderOuts, 1);
    d.clock.advance(0.14);
    EXPECT_EQ(ran, 2);
}

// With no other application active since start, a command hides the dashboard, then runs.
TEST(Dashboard, WithNoOtherWindowTheDashboardStepsAside) {
    Desk d;
    d.dashboard.startTrackingExternalApps();
    d.dashboard.show();
    int ran = 0;
    d.dashboard.runOnExternalWindow([&] { ++ran; });
    EXPECT_EQ(d.orderOuts, 1);
    EXPECT_EQ(ran, 0);
    d.clock.advance(0.14);
    EXPECT_EQ(ran, 1);
}

TEST(Dashboard, DiagnosticsText) {
    Desk d;
    d.trusted = false;
    const QStringList lines = d.dashboard.diagnostics().split('\n');
    EXPECT_EQ(lines, QStringList({
                         "Quenda Technical Diagnostic (no personal data)",
                         "version: 0.1.0 (build 1)",
                         "bundle: org.quenda.Quenda",
                         "localization: es",
                         "accessibilityTrusted: false",
                         QString("activeHotKeys: %1").arg(d.hotKeys.activeCount()),
                         "displays: 2",
                         "distribution: Debian GNU/Linux 12 (bookworm)",
                         "kernel: 6.1.0-18-amd64",
                         "xServer: The X.Org Foundation 12101007",
                         "windowManager: Openbox",
                         "screens: 1440x900+0+0, 1920x1080+1440+0",
                     }));

    // Unknown facts are "?", and a value never spills onto another line.
    DiagnosticFacts f;
    f.windowManager = "evil\nwm";
    const QStringList bare = diagnosticsText(f).split('\n');
    ASSERT_EQ(bare.size(), 12);
    EXPECT_EQ(bare[1], "version: ? (build ?)");
    EXPECT_EQ(bare[3], "localization: en");
    EXPECT_EQ(bare[10], "windowManager: evil wm");
    EXPECT_FALSE(diagnosticsText(f).endsWith('\n'));
}

TEST(Dashboard, OsReleaseNamesTheDistribution) {
    EXPECT_EQ(distributionFromOsRelease("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux "
                                        "12 (bookworm)\"\nVERSION=\"12 (bookworm)\"\n"),
              "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(distributionFromOsRelease("NAME=Arch\nVERSION='rolling'\n"), "Arch rolling");
    EXPECT_EQ(distributionFromOsRelease("garbage\n=\n"), "");
}

TEST(Dashboard, DiagnosticsExport) {
    Desk d;
    const auto path = d.dashboard.exportTechnicalDiagnostics();
    ASSERT_TRUE(path);
    EXPECT_EQ(*path, d.temp.filePath("quenda-diagnostic.txt"));
    QFile f(*path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), d.dashboard.diagnostics());
    EXPECT_EQ(d.opener.revealed, QStringList{*path});
    EXPECT_EQ(d.hud.last(), "Diagnóstico exportado");

    // A folder that cannot take the file: its reason in the HUD, nothing revealed.
    Desk e;
    QFile blocker(e.temp.filePath("x"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    DashboardController broken(
        {{e.prefs, e.hud, e.l10n, e.login, e.workspaces, [] { return true; }},
         e.desktop,
         e.desktop,
         e.clock,
         e.hotKeys,
         e.opener,
         [](A a) { return rawValue(a); },
         {},
         e.temp.filePath("x"),  // a file, not a folder
         nullptr},
        [](DashboardController&) { return nullptr; });
    EXPECT_FALSE(broken.exportTechnicalDiagnostics());
    EXPECT_TRUE(e.opener.revealed.isEmpty());
    EXPECT_TRUE(e.hud.last().startsWith("No pude escribir el diagnóstico: "))
        << e.hud.last().toStdString();
}

TEST(Dashboard, ShortcutSearch) {
    const auto title = [](A a) { return rawValue(a); };
    const auto categoryTitle = [](HotKeyCategory c) { return rawValue(c).toUpper(); };
    const auto shortcut = [](A a) -> std::optional<QString> {
        if (a == A::winLeft) return QStringLiteral("⌃⌥←");
        return std::nullopt;
    };
    struct Case {
        const char* query;
        std::vector<ShortcutSection> expected;
    };
    const std::vector<Case> cases = {
        // By title, trimmed and in any case.
        {"  SHELF ", {{HotKeyCategory::tools, {A::toolsShelf, A::toolsShelfAdd}}}},
        // By the shortcut's display string.
        {"⌃⌥←", {{HotKeyCategory::layouts, {A::winLeft}}}},
        // By the category's title: all of it.
        {"bridge",
         {{HotKeyCategory::bridge,
           {A::bridgeMark, A::bridgeSend, A::bridgeSendEnter, A::bridgeSendClipboard,
            A::bridgeGroup, A::bridgeBroadcast}}}},
        {"nothing like it", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.query);
        EXPECT_EQ(filterShortcuts(c.query, title, categoryTitle, shortcut), c.expected);
    }
    // Empty: every action, in the categories' order.
    const auto all = filterShortcuts("  ", title, categoryTitle, shortcut);
    ASSERT_EQ(all.size(), allCategories().size());
    size_t count = 0;
    for (const auto& s : all) count += s.actions.size();
    EXPECT_EQ(count, allActions().size());
}

TEST(Dashboard, TabsHaveStableNames) {
    for (DashboardTab tab : kDashboardTabs) EXPECT_EQ(dashboardTabFromRawValue(rawValue(tab)), tab);
    EXPECT_EQ(rawValue(DashboardTab::guidesSettings), "guidesSettings");
    EXPECT_EQ(titleKey(DashboardTab::clipboard), "tab_clipboard");
    EXPECT_EQ(dashboardTabFromRawValue("nope"), std::nullopt);
}

}  // namespace
}  // namespace quenda
