#include <gtest/gtest.h>

#include <set>

#include "app/ActionDispatch.h"
#include "layouts/tests/WindowManagerDesk.h"
#include "platform/sim/NoDesktopOpener.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/SimSyntheticKeys.h"
#include "shelf/tests/ShelfDesk.h"

namespace quenda {
namespace {

// The shelf's panel, as far as the commands see it.
struct ShownPanel : ShelfPanelSurface {
    bool& shown;
    explicit ShownPanel(bool& s) : shown(s) {}
    bool isShown() const override { return shown; }
    void orderFront() override { shown = true; }
    void orderOut() override { shown = false; }
    void setFrame(const Rect&) override {}
};

struct Shell : testing::WindowManagerDesk {
    Shell()
        : WindowManagerDesk("1000x800+0+0,1000x800+1000+0"),
          shelf({board, hud, l10n, AppPaths(folders)}),
          shelfPanel([this](ShelfController&) { return std::make_unique<ShownPanel>(shelfShown); },
                     geo, prefs),
          wm(services()),
          groups({ax, geo, prefs, hud, clock, desktop, arranger, l10n}),
          workspaces({ax, geo, desktop, prefs, hud, clock, desktop, arranger, l10n}),
          paths(folders),
          templates(paths, prefs, opener),
          relay({desktop,
                 desktop,
                 board,
                 keys,
                 clock,
                 hud,
                 l10n,
                 prefs,
                 templates,
                 {},
                 [](const QString&) { return QStringLiteral("Dashboard"); }}),
          dispatch(
              {wm, groups, workspaces, hud,
               [](HotKeyAction a) { return QStringLiteral("title-%1").arg(static_cast<int>(a)); },
               l10n, shelf, shelfPanel, [this] { ++clipboardToggles; },
               [this] { ++overviewToggles; }, &relay, [this] { ++dashboardShows; }}) {
        defaults.setValue("gap", int64_t{0});
        id = desktop.open(101, "Editor", "doc", {100, 100, 400, 300});
        desktop.app(101).bundleID = QStringLiteral("org.example.Editor");
        desktop.focus(id);
    }
    SimPasteboard board;
    testing::ShelfFolders folders;
    ShelfStore shelf;
    bool shelfShown = false;
    ShelfController shelfPanel;
    WindowManager wm;
    Groups groups;
    Workspaces workspaces;
    NoDesktopOpener opener;
    AppPaths paths;
    Templates templates;
    SimSyntheticKeys keys;
    Relay relay;
    ActionDispatch dispatch;
    uint64_t id = 0;
    int clipboardToggles = 0;
    int overviewToggles = 0;
    int dashboardShows = 0;
};

TEST(ActionDispatch, EveryCommandReachesItsOperation) {
    using A = HotKeyAction;
    struct Outcome {
        Rect frame;
        std::vector<const char*> messages;
    };
    // Every command of the catalogue is either landed, with its outcome here, or listed
    // below as not landed yet; a landed command left unwired, or a new command in neither
    // list, fails. One focused window, gap 0; texts from the built-in strings table.
    const std::map<A, Outcome> reached{
        {A::winLeft, {{0, 0, 500, 800}}},
        {A::winRight, {{500, 0, 500, 800}}},
        {A::winTop, {{0, 0, 1000, 400}}},
        {A::winBottom, {{0, 400, 1000, 400}}},
        {A::winMaximize, {{0, 0, 1000, 800}}},
        {A::winCenter, {{150, 64, 700, 672}}},
        {A::winMaxCenter, {{0, 0, 1000, 800}, {"Maximizada"}}},
        {A::winNextScreen, {{1100, 100, 400, 300}}},
        {A::layoutAuto, {{0, 0, 1000, 800}, {"Automático · 1 ventana"}}},
        {A::layoutColumns2, {{0, 0, 500, 800}, {"Dos columnas · 1 ventana"}}},
        {A::layoutColumns3, {{0, 0, 333, 800}, {"Tres columnas · 1 ventana"}}},
        {A::layoutColumns4, {{0, 0, 250, 800}, {"Cuatro columnas · 1 ventana"}}},
        {A::layoutGrid2x2, {{0, 0, 500, 400}, {"Cuadrícula 2×2 · 1 ventana"}}},
        {A::layoutMainStack, {{0, 0, 500, 800}, {"Principal y pila · 1 ventana"}}},
        {A::layoutGrid3x2, {{0, 0, 333, 400}, {"Cuadrícula 3×2 · 1 ventana"}}},
        {A::layoutCenterSides, {{250, 0, 500, 800}, {"Centro y laterales · 1 ventana"}}},
        {A::layoutRows2, {{0, 0, 1000, 400}, {"Dos filas · 1 ventana"}}},
        {A::layoutGrid3x3, {{0, 0, 333, 267}, {"Cuadrícula 3×3 · 1 ventana"}}},
        // Nothing tiled yet: the mosaic commands say so.
        {A::mosaicRotate,
         {{100, 100, 400, 300}, {"Hacen falta al menos dos ventanas en el mosaico"}}},
        {A::mosaicPromote, {{100, 100, 400, 300}, {"Esta ventana no está en el mosaico"}}},
        // Groups of one on a 1000-point screen; the group's name follows its raising.
        {A::groupsNext, {{0, 0, 1000, 800}, {"🗂 1 ventanas en 1 grupos de 1"}}},
        {A::groupsPrev, {{0, 0, 1000, 800}, {"🗂 1 ventanas en 1 grupos de 1"}}},
        {A::groupsAuto, {{0, 0, 1000, 800}, {"🗂 1 ventanas en 1 grupos de 1"}}},
        {A::groupsMoveNext,
         {{100, 100, 400, 300},
          {"🗂 1 ventanas en 1 grupos de 1", "Editor → Grupo 1 de 1 (1 ventanas)"}}},
        {A::wsSave1, {{100, 100, 400, 300}, {"💾 Distribución 1 guardada (1 ventanas)"}}},
        {A::wsSave2, {{100, 100, 400, 300}, {"💾 Distribución 2 guardada (1 ventanas)"}}},
        {A::wsSave3, {{100, 100, 400, 300}, {"💾 Distribución 3 guardada (1 ventanas)"}}},
        {A::wsRestore1,
         {{100, 100, 400, 300}, {"La distribución 1 está vacía. Guárdala desde el menú"}}},
        {A::wsRestore2,
         {{100, 100, 400, 300}, {"La distribución 2 está vacía. Guárdala desde el menú"}}},
        {A::wsRestore3,
         {{100, 100, 400, 300}, {"La distribución 3 está vacía. Guárdala desde el menú"}}},
        {A::groupsMovePrev,
         {{100, 100, 400, 300},
          {"🗂 1 ventanas en 1 grupos de 1", "Editor → Grupo 1 de 1 (1 ventanas)"}}},
        // The panel opens; nothing moves and nothing is said.
        {A::toolsClipboard, {{100, 100, 400, 300}}},
        // The organiser opens or closes; nothing moves and nothing is said.
        {A::groupsOverview, {{100, 100, 400, 300}}},
        // The shelf's panel shows; with nothing copied, adding says so.
        {A::toolsShelf, {{100, 100, 400, 300}}},
        {A::toolsShelfAdd, {{100, 100, 400, 300}, {"El portapapeles está vacío"}}},
        // The dashboard opens; the window stays where it was.
        {A::toolsDashboard, {{100, 100, 400, 300}}},
        // No target and no group yet; marking and joining take the focused window.
        {A::bridgeMark, {{100, 100, 400, 300}, {"🎯 Destino: Editor — doc"}}},
        {A::bridgeSend, {{100, 100, 400, 300}, {"Primero marca un destino con Dashboard"}}},
        {A::bridgeSendEnter, {{100, 100, 400, 300}, {"Primero marca un destino con Dashboard"}}},
        {A::bridgeSendClipboard,
         {{100, 100, 400, 300}, {"Primero marca un destino con Dashboard"}}},
        {A::bridgeGroup, {{100, 100, 400, 300}, {"➕ Editor — doc · 1 en el grupo"}}},
        {A::bridgeBroadcast,
         {{100, 100, 400, 300}, {"El grupo está vacío: añade ventanas con Dashboard"}}},
    };
    // Commands whose subsystem has not landed: the HUD says they are not available yet.
    const std::set<A> notLanded{};
    for (A action : allActions()) {
        const int i = static_cast<int>(action);
        SCOPED_TRACE(rawValue(action).toStdString());
        const std::vector<SimHud::Message> notAvailable{
            {QStringLiteral("«title-%1» aún no está disponible").arg(i), 1.6}};
        Shell s;
        s.dispatch.execute(action);
        // The one list of landed commands agrees with what the dispatch does.
        EXPECT_EQ(isAvailable(action), reached.contains(action));
        if (auto it = reached.find(action); it != reached.end()) {
            EXPECT_FALSE(notLanded.contains(action)) << "listed as landed and as not landed";
            EXPECT_NE(s.hud.messages, notAvailable) << "landed but not wired";
            EXPECT_EQ(s.desktop.window(s.id).frame, it->second.frame);
            std::vector<SimHud::Message> expected;
            for (const char* message : it->second.messages)
                expected.push_back({QString::fromUtf8(message), 1.6});
            EXPECT_EQ(s.hud.messages, expected);
            EXPECT_EQ(s.clipboardToggles, action == A::toolsClipboard ? 1 : 0);
            EXPECT_EQ(s.overviewToggles, action == A::groupsOverview ? 1 : 0);
            EXPECT_EQ(s.dashboardShows, action == A::toolsDashboard ? 1 : 0);
        } else if (notLanded.contains(action)) {
            EXPECT_EQ(s.desktop.window(s.id).frame, (Rect{100, 100, 400, 300}));
            EXPECT_EQ(s.hud.messages, notAvailable);
        } else {
            ADD_FAILURE() << "a command with no expected outcome and not listed as not landed";
        }
    }
}

// With one window, next and previous (and the two moves) look alike: three groups of one
// tell them apart.
TEST(ActionDispatch, GroupCommandsGoTheirOwnWay) {
    Shell s;
    s.defaults.setValue("groupSize", int64_t{1});
    s.desktop.open(102, "Mail", "inbox", {100, 100, 400, 300});
    s.desktop.open(103, "Notes", "todo", {100, 100, 400, 300});
    s.dispatch.execute(HotKeyAction::groupsAuto);
    ASSERT_EQ(s.groups.groups().size(), 3u);
    s.dispatch.execute(HotKeyAction::groupsNext);
    EXPECT_EQ(s.groups.current(), 1);
    s.dispatch.execute(HotKeyAction::groupsPrev);
    s.dispatch.execute(HotKeyAction::groupsPrev);
    EXPECT_EQ(s.groups.current(), 2);

    s.desktop.focus(s.id);  // the last group's window
    s.hud.messages.clear();
    s.dispatch.execute(HotKeyAction::groupsMovePrev);
    EXPECT_EQ(s.hud.last(), QStringLiteral("Editor → Grupo 2 de 2 (2 ventanas)"));
    s.dispatch.execute(HotKeyAction::groupsMoveNext);
    EXPECT_EQ(s.hud.last(), QStringLiteral("Editor → Grupo 3 de 3 (1 ventanas)"));
}

// Without a clipboard history (a server that cannot watch the clipboard), the panel's command
// says it is not available.
TEST(ActionDispatch, TheClipboardPanelNeedsAHistory) {
    Shell s;
    ActionDispatch bare({s.wm, s.groups, s.workspaces, s.hud,
                         [](HotKeyAction) { return QStringLiteral("Portapapeles"); }, s.l10n,
                         s.shelf, s.shelfPanel});
    bare.execute(HotKeyAction::toolsClipboard);
    EXPECT_EQ(s.hud.last(), QStringLiteral("«Portapapeles» aún no está disponible"));
    s.dispatch.execute(HotKeyAction::toolsClipboard);
    s.dispatch.execute(HotKeyAction::toolsClipboard);
    EXPECT_EQ(s.clipboardToggles, 2);
}

TEST(ActionDispatch, TheShelfCommandsShowHideAndFillThePanel) {
    Shell s;
    s.dispatch.execute(HotKeyAction::toolsShelf);
    EXPECT_TRUE(s.shelfShown);
    s.dispatch.execute(HotKeyAction::toolsShelf);
    EXPECT_FALSE(s.shelfShown);

    PasteboardContent copy;
    copy.text = QStringLiteral("para el estante");
    s.board.copy(copy);
    s.dispatch.execute(HotKeyAction::toolsShelfAdd);
    EXPECT_TRUE(s.shelfShown);
    ASSERT_EQ(s.shelf.items().size(), 1u);
    EXPECT_EQ(s.shelf.items()[0].text, QStringLiteral("para el estante"));
    s.dispatch.execute(HotKeyAction::toolsShelfAdd);  // shown already: stays shown
    EXPECT_TRUE(s.shelfShown);
    EXPECT_EQ(s.shelf.items().size(), 1u);
    EXPECT_TRUE(s.hud.messages.empty());
}

}  // namespace
}  // namespace quenda
