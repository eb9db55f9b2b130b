#include "main/QuendaApplication.h"

#include <cstdio>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSysInfo>
#include <QTextStream>

#include "app/ActionDispatch.h"
#include "app/CornerButtonController.h"
#include "app/Dashboard.h"
#include "app/HudPresenter.h"
#include "app/Startup.h"
#include "app/StatusMenu.h"
#include "bridge/Relay.h"
#include "bridge/Templates.h"
#include "bridge/TextFiles.h"
#include "clipboard/ClipboardPanelController.h"
#include "clipboard/ClipboardStore.h"
#include "core/AX.h"
#include "core/AppPaths.h"
#include "core/Keys.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "core/RateLimit.h"
#include "core/RegularFile.h"
#include "core/ScreenGeo.h"
#include "groups/Groups.h"
#include "groups/OverviewController.h"
#include "hotkeys/HotKeyCenter.h"
#include "layouts/WindowManager.h"
#include "platform/desktop/AutostartEntry.h"
#include "platform/desktop/DBusApplication.h"
#include "platform/desktop/FileChangeWatcher.h"
#include "platform/desktop/FileManagerOpener.h"
#include "platform/desktop/JsonFileDefaults.h"
#include "platform/desktop/LibArchiveUnpacker.h"
#include "platform/desktop/ProcFsMemory.h"
#include "platform/desktop/QtHttp.h"
#include "platform/desktop/QtMainClock.h"
#include "platform/desktop/ThreadWorker.h"
#include "platform/desktop/XdgOpener.h"
#include "platform/desktop/XdgUserFolders.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11FocusWatch.h"
#include "platform/x11/X11SessionFacts.h"
#include "platform/x11/clipboard/X11Pasteboard.h"
#include "platform/x11/hotkeys/X11HotKeyRegistrar.h"
#include "shelf/ShelfController.h"
#include "shelf/ShelfStore.h"
#include "update/UpdateCallers.h"
#include "update/UpdateCard.h"
#include "update/UpdateConfig.h"
#include "views/ClipboardPanel.h"
#include "views/CornerButtonViews.h"
#include "views/DashboardWindow.h"
#include "views/HudPanel.h"
#include "views/MainMenuShortcuts.h"
#include "views/OverviewWindow.h"
#include "views/ShelfPanel.h"
#include "views/TrayIcon.h"
#include "workspaces/Workspaces.h"

namespace quenda {

namespace {

void say(const QString& line) {
    QTextStream err(stderr);
    err << line << "\n";
}

// The HUD's panel, also writing every message to stderr, one line each ("[Quenda] HUD ..."),
// for scripts and for reports of what the user was told. Only with QUENDA_LOG_HUD set:
// messages name windows, which have no place in a session's log by default.
class LoggedHudPanel final : public HudSurface {
  public:
    void setText(const QString& text) override {
        say(QStringLiteral("[Quenda] HUD ") + text);
        panel_.setText(text);
    }
    double naturalTextWidth(const QString& text) const override {
        return panel_.naturalTextWidth(text);
    }
    void setFrame(const Rect& frame) override { panel_.setFrame(frame); }
    void setAlpha(double alpha) override { panel_.setAlpha(alpha); }
    double alpha() const override { return panel_.alpha(); }
    void orderFront() override { panel_.orderFront(); }
    void animateAlpha(double to, double seconds, std::function<void()> completion) override {
        panel_.animateAlpha(to, seconds, std::move(completion));
    }
    void orderOut() override { panel_.orderOut(); }

  private:
    HudPanel panel_;
};

std::unique_ptr<HudSurface> makeHudPanel() {
    if (qEnvironmentVariableIsSet("QUENDA_LOG_HUD")) return std::make_unique<LoggedHudPanel>();
    return std::make_unique<HudPanel>();
}

// The clipboard history, on a pasteboard of its own connection. A desktop whose server
// cannot watch the clipboard runs without a history and says so once.
struct Clipboard {
    Clipboard(X11Desktop& x11, UserFolders& folders) {
        QString error;
        pasteboard = X11Pasteboard::open(&error, x11.displayName());
        if (!pasteboard) {
            say(QStringLiteral("quenda: no clipboard history: ") + error);
            return;
        }
        store = std::make_unique<ClipboardStore>(
            ClipboardStore::Services{*pasteboard, x11.applications(), AppPaths(folders)});
    }
    std::unique_ptr<X11Pasteboard> pasteboard;
    std::unique_ptr<ClipboardStore> store;
};

// What the shelf reads and writes when the desktop's clipboard cannot be reached: nothing is
// ever on it, and nothing written reaches anyone.
class NoPasteboard final : public Pasteboard {
  public:
    int64_t changeCount() override { return 0; }
    void setChangeHandler(std::function<void()>) override {}
    void read(const PasteboardRead&, std::function<void(PasteboardContent)> done) override {
        done({});
    }
    void writeText(const QString&, bool) override {}
    void writeImage(const QByteArray&) override {}
    void writeFiles(const std::vector<QString>&) override {}
};

// The shelf, its panel (built on first use) and the file manager that shows its files.
struct Shelf {
    Shelf(Pasteboard& pasteboard, UserFolders& folders, Hud& hud, const L10n& l10n,
          const ScreenGeo& geo, Prefs& prefs)
        : store({pasteboard, hud, l10n, AppPaths(folders)}),
          fileManager(xdg),
          panel(
              [this, &l10n](ShelfController& controller) {
                  return std::make_unique<ShelfPanel>(store, controller, fileManager, l10n);
              },
              geo, prefs) {
        store.setShowPanel([this] { panel.bringToFront(); });
    }
    ShelfStore store;
    XdgOpener xdg;
    FileManagerOpener fileManager;
    ShelfController panel;
};

// Everything the running application is made of, built once in dependency order.
struct Services {
    explicit Services(X11Desktop& x11)
        : defaults(JsonFileDefaults::defaultPath()),
          prefs(defaults),
          geo(x11.screens(), prefs),
          ax(x11.windowServer()),
          arranger(x11.windowServer(), clock),
          hud(&makeHudPanel, geo, clock),
          windows({ax, geo, x11.screens(), prefs, hud, clock, arranger, l10n}),
          groups({ax, geo, prefs, hud, clock, x11.applications(), arranger, l10n}),
          workspaces(
              {ax, geo, x11.screens(), prefs, hud, clock, x11.applications(), arranger, l10n}),
          clipboard(x11, folders),
          shelf(pasteboard(), folders, hud, l10n, geo, prefs),
          paths(folders),
          templates(paths, prefs, opener),
          relay({x11.windowServer(), x11.applications(), pasteboard(), x11.syntheticKeys(), clock,
                 hud, l10n, prefs, templates, ClipboardStore::privateTypes(),
                 [this](const QString& id) {
                     const auto action = fromRawValue(id);
                     return (action ? shortcut(*action) : std::nullopt)
                         .value_or(l10n.t(QStringLiteral("shortcut_none_dashboard")));
                 }}),
          dispatch({windows, groups, workspaces, hud, [this](HotKeyAction a) { return title(a); },
                    l10n, shelf.store, shelf.panel,
                    [this] {
                        if (toggleClipboardPanel) return toggleClipboardPanel();
                        hud.show(ActionDispatch::notAvailableMessage(
                                     l10n, title(HotKeyAction::toolsClipboard)),
                                 kMessageDuration);
                    },
                    [this] { overview.toggle(); }, &relay,
                    [this] {
                        if (showDashboard) showDashboard();
                    }}),
          overview({{ax, groups, x11.applications(), prefs, hud, l10n, x11.thumbnails(), memory},
                    geo,
                    x11.screens(),
                    clock,
                    [this](OverviewStore& store) { return overviewWindow(store); }}),
          hotKeys({prefs, registrar, clock,
                   [this](HotKeyAction a) {
                       sinceHotKey.restart();
                       dispatch.execute(a);
                   },
                   &HotKeyCenter::writeToStderr, &isAvailable}) {}

    QString title(HotKeyAction a) const {
        if (const auto slot = titleSlot(a)) return l10n.format(titleKey(a), {*slot});
        return l10n.t(titleKey(a));
    }
    // What the menu and messages show: only a shortcut that is taken for its command (one
    // of a command still to come is left to other applications).
    std::optional<QString> shortcut(HotKeyAction a) const {
        if (!isAvailable(a)) return std::nullopt;
        if (const auto combo = hotKeys.combo(a)) return combo->displayString();
        return std::nullopt;
    }
    QString format(const QString& key, const QVariantList& args) const {
        return l10n.format(key, args);
    }
    // The desktop's clipboard, or one that never holds anything when it cannot be reached.
    Pasteboard& pasteboard() {
        if (clipboard.pasteboard) return *clipboard.pasteboard;
        return noPasteboard;
    }
    // The organiser's window over a store; its keys and clicks are the user's action.
    std::unique_ptr<OverviewSurface> overviewWindow(OverviewStore& store) {
        return std::make_unique<OverviewWindow>(
            store, l10n,
            OverviewWindow::Actions{[this] { overview.start(); }, [this] { overview.close(); }});
    }

    JsonFileDefaults defaults;
    Prefs prefs;
    QtMainClock clock;
    const L10n& l10n = L10n::shared();
    ScreenGeo geo;
    AX ax;
    Arranger arranger;
    HudPresenter hud;
    WindowManager windows;
    Groups groups;
    Workspaces workspaces;
    XdgUserFolders folders;
    Clipboard clipboard;
    NoPasteboard noPasteboard;
    Shelf shelf;
    XdgOpener opener;
    AppPaths paths;
    Templates templates;
    Relay relay;
    ProcFsMemory memory;
    ActionDispatch dispatch;
    OverviewController overview;
    X11HotKeyRegistrar registrar;
    QElapsedTimer sinceHotKey;
    HotKeyCenter hotKeys;
    // Set once the clipboard history runs.
    std::function<void()> toggleClipboardPanel;
    // The tray menu's update check, set once the updater exists.
    std::function<void()> checkForUpdates;
    // The dashboard's update card, once the updater exists.
    UpdateCard* updateCard = nullptr;
    // Set once the dashboard's controller exists.
    std::function<void()> showDashboard;
    std::function<void()> showGuides;
    // The time of the last key press or click in Quenda's own windows (X server time).
    uint32_t ownInputTime = 0;
    QElapsedTimer sinceOwnInput;
};

// The self-update of a copy installed in the user's data folder, over HTTPS, libarchive and
// a worker thread.
struct Updates {
    Updates(const L10n& l10n, UserFolders& folders)
        : manager({http, worker, unpacker, l10n},
                  update_config::forProgram(QCoreApplication::applicationDirPath(),
                                            QCoreApplication::applicationFilePath(),
                                            AppPaths(folders).support())) {}
    QtHttp http;
    LibArchiveUnpacker unpacker;
    // After the unpacker: going, it waits for the work that uses it.
    ThreadWorker worker;
    UpdateManager manager;
};

// The clipboard panel over the history, and what it needs to paste into other windows. The
// panel's window is built on first use and then only hidden.
struct ClipboardPanelParts {
    ClipboardPanelParts(Services& s, X11Desktop& x11, ClipboardStore& store, Pasteboard& board)
        : paths(s.folders),
          textFiles(paths, s.hud, s.l10n),
          keys(x11.syntheticKeys(), board, s.clock, x11.windowServer(), s.prefs),
          controller({store,
                      board,
                      keys,
                      x11.windowServer(),
                      s.clock,
                      s.hud,
                      s.l10n,
                      s.templates,
                      textFiles,
                      {[this, &store] { view().open(store.items()); },
                       [this] {
                           if (view_) view_->hide();
                       },
                       [this] { return view_ && view_->isVisible(); }}}),
          s_(s),
          store_(store) {
        store.observe([this] {
            if (view_ && view_->isVisible()) view_->setHistory(store_.items());
        });
    }

    ClipboardPanel& view() {
        if (view_) return *view_;
        ClipboardPanel::Actions a;
        a.paste = [this](const std::vector<ClipItem>& items, PasteMode mode) {
            controller.paste(items, mode);
        };
        a.copy = [this](const std::vector<ClipItem>& items, PasteMode mode) {
            controller.copy(items, mode);
        };
        a.togglePin = [this](const QUuid& id) { store_.togglePin(id); };
        a.remove = [this](const QUuid& id) { store_.deleteItem(id); };
        a.reveal = [this](const ClipItem& item) {
            if (item.paths && !item.paths->empty()) opener.reveal(item.paths->front());
        };
        a.addToShelf = addToShelf;
        a.templates = [this] { return s_.templates.list(); };
        a.templateID = [this] { return s_.prefs.get(settings::templateID); };
        a.setTemplateID = [this](const QString& id) { s_.prefs.set(settings::templateID, id); };
        a.now = &ClipboardStore::systemWallClock;
        a.userTime = [this](unsigned long time) {
            s_.ownInputTime = uint32_t(time);
            s_.sinceOwnInput.restart();
        };
        view_ = std::make_unique<ClipboardPanel>(s_.l10n, std::move(a));
        return *view_;
    }

    XdgOpener opener;
    AppPaths paths;
    TextFiles textFiles;
    Keys keys;
    ClipboardPanelController controller;
    // Puts a history item on the shelf; unset while there is no shelf.
    std::function<void(const ClipItem&)> addToShelf;

  private:
    Services& s_;
    ClipboardStore& store_;
    std::unique_ptr<ClipboardPanel> view_;
};

// What the diagnostics say of the program and of this system.
DiagnosticFacts diagnosticFacts(X11Desktop& x11) {
    DiagnosticFacts f;
    f.version = QStringLiteral(QUENDA_VERSION);
    f.build = QStringLiteral(QUENDA_BUILD);
    f.bundle = QStringLiteral("org.quenda.Quenda");
    // The language of the strings table the program ships.
    f.localization = QStringLiteral("es");
    const auto screens = x11.screens().screens();
    f.displays = int(screens.size());
    for (const ScreenInfo& screen : screens) {
        const Rect& r = screen.frame;
        f.screens << QStringLiteral("%1x%2+%3+%4")
                         .arg(qRound(r.width))
                         .arg(qRound(r.height))
                         .arg(qRound(r.x))
                         .arg(qRound(r.y));
    }
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        if (const auto text = readRegularFile(QString::fromLatin1(path), 64 * 1024)) {
            f.distribution = distributionFromOsRelease(*text);
            break;
        }
    }
    f.kernel = QSysInfo::kernelType() + u' ' + QSysInfo::kernelVersion();
    const X11SessionFacts x = readX11SessionFacts(x11.displayName());
    f.xServer = (x.serverVendor + u' ' + x.serverRelease).trimmed();
    f.windowManager = x.windowManager;
    return f;
}

// The dashboard: its controller for the whole run and, while it is open, its window.
struct DashboardParts {
    DashboardParts(Services& s, X11Desktop& x11)
        : login(AutostartEntry::defaultConfigHome(), QCoreApplication::applicationFilePath()),
          watch(X11ActiveWindowWatch::open(x11.displayName(), &watchError)),
          controller({{s.prefs, s.hud, s.l10n, login, s.workspaces,
                       [&s] { return s.ax.server().isTrusted(); }},
                      x11.windowServer(),
                      x11.applications(),
                      s.clock,
                      s.hotKeys,
                      s.shelf.fileManager,
                      [&s](HotKeyAction a) { return s.title(a); },
                      [&x11] { return diagnosticFacts(x11); },
                      QDir::tempPath(),
                      watch.get()},
                     [&s, &x11](DashboardController& c) {
                         return std::make_unique<DashboardWindow>(c, viewServices(s, x11));
                     }) {
        // A switch of launch at login stopped by the end of an earlier run may have left
        // its temporary copy beside the entry.
        login.removeLeftovers();
        if (!watch)
            say(QStringLiteral("quenda: the dashboard cannot follow the active window: ") +
                watchError);
    }

    static DashboardViewServices viewServices(Services& s, X11Desktop& x11) {
        DashboardViewServices v{
            .l10n = s.l10n,
            .execute = [&s](HotKeyAction a) { s.dispatch.execute(a); },
            .title = [&s](HotKeyAction a) { return s.title(a); },
            .shortcut = [&s](HotKeyAction a) { return s.shortcut(a); },
            .groups = s.groups,
            .relay = s.relay,
            .clipboard = s.clipboard.store.get(),
            .shelf = s.shelf.store,
            .templates = [&s] { return s.templates.list(); },
            .editTemplates = [&s] { s.templates.openFile(); },
            .screenUnderPointer = {},
            .saveWorkspace = [&s](int slot) { s.workspaces.save(slot); },
            .restoreWorkspace = [&s](int slot) { s.workspaces.restore(slot); },
            .openAccessibilitySettings = [&s] { s.ax.openAccessibilitySettings(); },
            .openDataFolder = [&s] { s.opener.open(s.paths.support()); },
            .copyItem = {},
            .keyCodeOfNativeKey =
                [&s](uint32_t code) { return s.registrar.keyCodeForX11Key(code); },
            .version = QStringLiteral(QUENDA_VERSION),
            .build = QStringLiteral(QUENDA_BUILD),
            .updateCard = s.updateCard,
            .guides = GuidesCatalog(ResourceDirs::forThisProgram()),
            .savedFrame = [&s] { return s.prefs.get(settings::dashboardFrame); },
            .saveFrame =
                [&s](const QString& frame) { s.prefs.set(settings::dashboardFrame, frame); }};
        v.screenUnderPointer = [&s, &x11]() -> std::pair<QString, int> {
            auto screen = s.geo.screenUnderMouse();
            if (!screen) screen = x11.screens().mainScreen();
            if (!screen) return {QStringLiteral("?"), 0};
            return {Groups::describe(*screen), s.groups.autoCapacity(*screen)};
        };
        v.copyItem = [&s](const ClipItem& item) {
            if (s.clipboard.store && s.clipboard.store->write(item))
                s.hud.show(s.l10n.t(QStringLiteral("hud_copied")), kMessageDuration);
        };
        return v;
    }

    AutostartEntry login;
    QString watchError;
    std::unique_ptr<X11ActiveWindowWatch> watch;
    DashboardController controller;
};

std::vector<MenuEntry> statusMenu(Services& s) {
    StatusMenuContext c;
    c.trusted = s.ax.server().isTrusted();
    c.t = [&s](const QString& key) { return s.l10n.t(key); };
    c.format = [&s](const QString& key, const QVariantList& args) { return s.format(key, args); };
    c.shortcut = [&s](HotKeyAction a) { return s.shortcut(a); };
    c.relay = &s.relay;
    c.execute = [&s](HotKeyAction a) { s.dispatch.execute(a); };
    c.fixPermission = [&s] {
        s.ax.server().requestTrust();
        s.ax.openAccessibilitySettings();
    };
    c.openDashboard = [&s] { s.dispatch.execute(HotKeyAction::toolsDashboard); };
    c.openGuides = [&s] {
        if (s.showGuides) s.showGuides();
    };
    c.checkForUpdates = [&s] {
        if (s.checkForUpdates) return s.checkForUpdates();
        s.hud.show(ActionDispatch::notAvailableMessage(s.l10n, s.l10n.t("menu_check_updates")),
                   2.0);
    };
    c.quit = [] { QApplication::quit(); };
    c.clearBridgeTarget = [&s] { s.relay.clearTarget(); };
    c.removeGroupMember = [&s](const Dest& member) { std::erase(s.relay.group, member); };
    c.clearGroup = [&s] { s.relay.group.clear(); };
    return buildStatusMenu(c);
}

}  // namespace

int runApplication(int& argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    DBusApplication bus;
    switch (bus.claim()) {
        case DBusApplication::Claim::AlreadyRunning: {
            QString error;
            DBusApplication::activateRunning(&error);
            say(QStringLiteral(
                "quenda: Quenda is already running; it was asked to open its dashboard"));
            return 0;
        }
        case DBusApplication::Claim::NoBus:
            say(QStringLiteral(
                "quenda: no session bus; `quenda action` cannot reach this instance"));
            break;
        case DBusApplication::Claim::Owned:
            break;
    }

    QString error;
    auto x11 = X11Desktop::open(&error);
    if (!x11) {
        say(QStringLiteral("quenda: ") + error);
        return 1;
    }

    Services s(*x11);
    // Writes stopped by the end of an earlier run may have left their temporary copies.
    s.defaults.removeLeftovers();
    // Window managers that guard focus want the time of the user's action with an
    // activation. A command that follows a shortcut carries the press's time for as long as
    // its work goes on (a group's raising takes a fraction of a second, a workspace's
    // placement waits 3 s for the applications it started); one from the command line, the
    // current time.
    // A key press or click in Quenda's own windows (the clipboard panel's Return) is the
    // action when it came after the shortcut.
    x11->setUserTimeSource([&s]() -> uint32_t {
        constexpr qint64 kPressStaysFreshMs = 5000;
        const bool fresh = s.sinceHotKey.isValid() && s.sinceHotKey.elapsed() < kPressStaysFreshMs;
        const bool ownFresh =
            s.sinceOwnInput.isValid() && s.sinceOwnInput.elapsed() < kPressStaysFreshMs;
        if (ownFresh && (!fresh || s.sinceOwnInput.elapsed() <= s.sinceHotKey.elapsed()))
            return s.ownInputTime;
        return fresh ? s.registrar.lastPressTime() : 0;
    });
    // Commands from the bus beyond a steady 25 a second (after a burst of 50) are refused at
    // once: a flood of calls must not keep the instance busy for seconds, nor queue up.
    RateLimit busRate(25, 50);
    QElapsedTimer busClock;
    busClock.start();
    bus.admit = [&busRate, &busClock] { return busRate.admit(busClock.elapsed() / 1000.0); };
    bus.onActivate = [&s] { s.dispatch.execute(HotKeyAction::toolsDashboard); };
    bus.onAction = [&s](const QString& id) {
        if (const auto action = fromRawValue(id)) s.dispatch.execute(*action);
    };

    TrayIcon tray([&s] { return statusMenu(s); });
    MainMenuShortcuts keys([&s] { s.dispatch.execute(HotKeyAction::toolsDashboard); },
                           [] { QApplication::quit(); });
    StartupSteps steps;
    steps.installMainMenuShortcuts = [&keys] { keys.install(); };
    steps.createStatusItem = [&tray] {
        if (!TrayIcon::trayAvailable()) {
            say(QStringLiteral(
                "quenda: no system tray on this desktop; shortcuts, the command line "
                "and messages still work"));
        }
        tray.show();  // shows itself as soon as a tray host appears
    };
    steps.registerHotKeys = [&s] { s.hotKeys.reregisterAll(); };
    std::unique_ptr<ClipboardPanelParts> panel;
    if (s.clipboard.store) {
        panel = std::make_unique<ClipboardPanelParts>(s, *x11, *s.clipboard.store,
                                                      *s.clipboard.pasteboard);
        panel->addToShelf = [&s](const ClipItem& item) { s.shelf.store.add(item); };
        s.toggleClipboardPanel = [&panel] { panel->controller.toggle(); };
    }
    // The corner button follows the focused window through events on a connection of its
    // own; its palette runs commands on that window without ever taking the focus.
    X11FocusWatch focusWatch(x11->displayName());
    if (focusWatch.isConnected() && !focusWatch.hasRawInput()) {
        say(
            QStringLiteral("quenda: the X server has no XInput 2.2: the corner button's hover "
                           "mode does not follow the pointer, and a click elsewhere does not "
                           "close its palette"));
    }
    std::unique_ptr<CornerButtonController> corner;
    corner = std::make_unique<CornerButtonController>(CornerButtonController::Services{
        s.ax, x11->screens(), s.prefs, s.clock, focusWatch,
        [&corner, &s]() -> std::unique_ptr<FloatingSurface> {
            return std::make_unique<CornerButtonView>([&corner] { corner->buttonClicked(); },
                                                      s.l10n.t("corner_button_tooltip"));
        },
        [&corner, &s]() -> std::unique_ptr<FloatingSurface> {
            return std::make_unique<PaletteView>(
                s.l10n, [&corner](const PaletteAction& a) { corner->choose(a); });
        },
        [&s, &panel](const PaletteAction& a) {
            // The clipboard panel opens (it never closes from here); the overview goes
            // through the dispatch, which opens it.
            if (a.run == PaletteRun::showClipboard && panel) return panel->controller.open();
            s.dispatch.execute(a.action);
        },
        &FloatingWindow::ownWindowAt});
    steps.startCornerButton = [&corner] { corner->start(); };
    steps.startClipboard = [&s] {
        if (s.clipboard.store) s.clipboard.store->start();
    };
    steps.loadShelf = [&s] { s.shelf.store.load(); };
    Updates updates(s.l10n, s.folders);
    s.checkForUpdates = [&s, &updates] { menuUpdateCheck(updates.manager, s.hud, s.l10n); };
    steps.silentUpdateCheck = [&s, &updates] { silentUpdateCheck(updates.manager, s.hud, s.l10n); };
    UpdateCard updateCard(updates.manager, s.l10n);
    s.updateCard = &updateCard;
    DashboardParts dashboard(s, *x11);
    s.showDashboard = [&dashboard] { dashboard.controller.show(); };
    s.showGuides = [&dashboard] {
        dashboard.controller.show(DashboardTab::guidesSettings, GuidesFocusAnchor::guides);
    };
    steps.startTrackingExternalApps = [&dashboard] {
        dashboard.controller.startTrackingExternalApps();
    };
    steps.showOnboarding = [&s] {
        s.showGuides();
        return true;
    };
    runStartup({s.ax, s.prefs, s.hud, s.clock,
                [&s](const QString& key, const QVariantList& args) { return s.format(key, args); },
                [&s](HotKeyAction a) { return s.shortcut(a); }},
               steps);
    // Bindings stored from elsewhere (`quenda config set customHotKeys.v1 ...`) apply at
    // once, with a registration pass logged as at start.
    // The corner button's settings apply at once too.
    FileChangeWatcher settingsFile(s.defaults.path(), [&s, &corner] {
        s.hotKeys.reloadStoredBindings();
        corner->tick();
    });
    return app.exec();
}

}  // namespace quenda
