#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/CornerButtonController.h"
#include "core/L10n.h"
#include "core/Settings.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimFocusWatch.h"
#include "platform/sim/TestPrinters.h"
#include "platform/sim/VirtualClock.h"

namespace quenda {

namespace {

using Shape = CornerPlacement::Shape;

// --- Placement ---------------------------------------------------------------------------

struct PlacementCase {
    const char* name;
    Rect window;
    std::optional<Rect> visible;  // the screen's free area; none without a screen
    CornerSide side;
    TitleBarButtons buttons;
    Shape shape;
    Rect button;
    Rect zone;
};

const Rect kVisible{0, 25, 1440, 875};  // a 25-pixel panel at the top

TEST(CornerPlacement, TheCasesOfTheTitleBar) {
    // clang-format off
    const std::vector<PlacementCase> cases{
        {"room above: a capsule just above the title bar",
         {100, 200, 800, 600}, kVisible, CornerSide::left, {},
         Shape::aboveTitleBar, {124, 181, 34, 16}, {100, 175, 70, 47}},
        {"exactly enough room above (1 pixel below the screen's top)",
         {100, 45, 800, 600}, kVisible, CornerSide::left, {},
         Shape::aboveTitleBar, {124, 26, 34, 16}, {100, 20, 70, 47}},
        {"one pixel less: pushed to the top with room on the left",
         {100, 44, 800, 600}, kVisible, CornerSide::left, {},
         Shape::leftOfWindow, {80, 46, 17, 24}, {76, 44, 94, 30}},
        {"maximised to the top with room on the left: the vertical capsule",
         {100, 25, 800, 600}, kVisible, CornerSide::left, {},
         Shape::leftOfWindow, {80, 27, 17, 24}, {76, 25, 94, 30}},
        {"22 pixels on the left are enough",
         {22, 25, 800, 600}, kVisible, CornerSide::left, {},
         Shape::leftOfWindow, {2, 27, 17, 24}, {-2, 25, 94, 30}},
        {"21 are not: inside the title bar",
         {21, 25, 800, 600}, kVisible, CornerSide::left, {},
         Shape::insideTitleBar, {55, 26, 34, 15}, {21, 14, 70, 48}},
        {"touching the top and the left: inside, past the window menu button",
         {0, 25, 800, 600}, kVisible, CornerSide::left, {},
         Shape::insideTitleBar, {34, 26, 34, 15}, {0, 14, 70, 48}},
        {"above the screen's top: inside, below the screen's top",
         {0, 0, 800, 600}, kVisible, CornerSide::left, {},
         Shape::insideTitleBar, {34, 26, 34, 15}, {0, 14, 70, 48}},
        {"position right with room above",
         {100, 200, 800, 600}, kVisible, CornerSide::right, {},
         Shape::aboveTitleBar, {852, 181, 34, 16}, {826, 175, 74, 47}},
        {"position right at the top never gets the vertical capsule",
         {100, 25, 800, 600}, kVisible, CornerSide::right, {},
         Shape::insideTitleBar, {852, 26, 34, 15}, {826, 14, 74, 48}},
        {"halves round away from zero",
         {100.5, 200.5, 800, 600}, kVisible, CornerSide::left, {},
         Shape::aboveTitleBar, {125, 182, 34, 16}, {100.5, 175.5, 70, 47}},
        {"no screen: the top is taken as 25 and the left as 0",
         {100, 30, 800, 600}, std::nullopt, CornerSide::left, {},
         Shape::leftOfWindow, {80, 32, 17, 24}, {76, 30, 94, 30}},
        {"no screen, at the left edge",
         {10, 30, 800, 600}, std::nullopt, CornerSide::left, {},
         Shape::insideTitleBar, {44, 31, 34, 15}, {10, 19, 70, 48}},
        {"a monitor left of the primary one (negative coordinates)",
         {-1200, 0, 800, 600}, Rect{-1280, 0, 1280, 1024}, CornerSide::left, {},
         Shape::leftOfWindow, {-1220, 2, 17, 24}, {-1224, 0, 94, 30}},
        {"readable title-bar buttons: centred over them",
         {100, 200, 800, 600}, kVisible, CornerSide::left,
         {Rect{107, 205, 14, 14}, Rect{147, 205, 14, 14}},
         Shape::aboveTitleBar, {117, 181, 34, 16}, {100, 175, 70, 47}},
        {"readable buttons at the top: centred on the close button",
         {100, 25, 800, 600}, kVisible, CornerSide::left,
         {Rect{107, 30, 14, 14}, Rect{147, 30, 14, 14}},
         Shape::leftOfWindow, {80, 25, 17, 24}, {76, 25, 94, 30}},
        {"readable buttons inside the title bar: centred over them",
         {0, 25, 800, 600}, kVisible, CornerSide::left,
         {Rect{7, 30, 14, 14}, Rect{47, 30, 14, 14}},
         Shape::insideTitleBar, {17, 26, 34, 15}, {0, 14, 70, 48}},
        {"buttons far right: never past the zoom button's right edge",
         {100, 200, 800, 600}, kVisible, CornerSide::left,
         {Rect{300, 205, 14, 14}, Rect{340, 205, 14, 14}},
         Shape::aboveTitleBar, {310, 181, 34, 16}, {100, 175, 256, 47}},
    };
    // clang-format on
    for (const PlacementCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CornerPlacement p = placeCornerButton(c.window, c.visible, c.side, c.buttons);
        EXPECT_EQ(p.shape, c.shape);
        EXPECT_EQ(p.button, c.button);
        EXPECT_EQ(p.hoverZone, c.zone);
    }
}

// --- Palette clamping ---------------------------------------------------------------------

TEST(CornerPalette, HangsBelowTheButtonAndStaysInsideTheScreen) {
    const std::vector<ScreenInfo> screens{
        {1, {0, 0, 1440, 900}, {0, 25, 1440, 875}, QStringLiteral("A")},
        {2, {1440, 0, 1920, 1080}, {1440, 0, 1920, 1040}, QStringLiteral("B")},
    };
    const Size size{260, 240};
    struct Case {
        const char* name;
        Rect button;
        Rect expected;
    };
    const std::vector<Case> cases{
        {"room everywhere: 6 left of the button, 6 below it",
         {200, 181, 34, 16},
         {194, 203, 260, 240}},
        {"near the right edge: moved left", {1400, 181, 34, 16}, {1176, 203, 260, 240}},
        {"near the bottom: moved up", {200, 800, 34, 16}, {194, 656, 260, 240}},
        {"near the left edge: moved right", {2, 27, 17, 24}, {4, 57, 260, 240}},
        {"on the second screen, near its right and bottom",
         {3340, 1000, 34, 16},
         {3096, 796, 260, 240}},
        {"off every screen: left as it is", {-500, 100, 34, 16}, {-506, 122, 260, 240}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(placePalette(c.button, size, screens), c.expected);
    }
    EXPECT_EQ(placePalette({200, 181, 34, 16}, size, {}), (Rect{194, 203, 260, 240}));
}

// --- Palette content ----------------------------------------------------------------------

TEST(CornerPalette, FourRowsOfSeventeenCommandsWithTheirExactLabels) {
    const L10n& l10n = L10n::shared();
    const std::vector<std::pair<QString, std::vector<QString>>> expected{
        {"Ventana",
         {"Izquierda (repite: ⅓, ⅔)", "Derecha (repite: ⅓, ⅔)", "Maximizar", "Centrar",
          "Mover a la otra pantalla"}},
        {"Quenda",
         {"Auto: reparte las ventanas visibles", "2 columnas", "3 columnas", "Cuadrícula 2×2"}},
        {"Puente",
         {"Marcar esta ventana como destino", "Enviar lo seleccionado al destino",
          "Historial del portapapeles", "Estante de archivos"}},
        {"Grupos",
         {"Grupo anterior", "Siguiente grupo", "Pasar esta ventana al grupo siguiente",
          "Organizador visual"}},
    };
    const auto& rows = paletteRows();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(l10n.t(rows[r].titleKey), expected[r].first);
        ASSERT_EQ(rows[r].actions.size(), expected[r].second.size());
        for (size_t a = 0; a < rows[r].actions.size(); ++a)
            EXPECT_EQ(l10n.t(rows[r].actions[a].labelKey), expected[r].second[a]);
    }
    EXPECT_EQ(l10n.t(QString::fromUtf8(kPaletteHintKey)),
              QStringLiteral("Quenda · elige una acción"));
    // The two panels are opened, never toggled; everything else is the command itself.
    EXPECT_EQ(rows[2].actions[2].run, PaletteRun::showClipboard);
    EXPECT_EQ(rows[3].actions[3].run, PaletteRun::showOverview);
    EXPECT_EQ(rows[0].actions[0].action, HotKeyAction::winLeft);
    EXPECT_EQ(rows[3].actions[2].action, HotKeyAction::groupsMoveNext);
}

// --- The controller on the simulated desktop ---------------------------------------------

class FakeSurface final : public FloatingSurface {
  public:
    bool isShown() const override { return shown; }
    void orderFront() override {
        shown = true;
        ++fronts;
    }
    void orderOut() override { shown = false; }
    void setFrame(const Rect& f) override {
        current = f;
        ++moves;
    }
    Rect frame() const override { return current; }
    Size fittingSize() const override { return fitting; }

    bool shown = false;
    Rect current;
    Size fitting{260, 240};
    int moves = 0;
    int fronts = 0;
};

struct Corner {
    explicit Corner(int64_t mode = 2)
        : desktop(QStringLiteral("1440x900+0+0"), {.menuBar = 25}),
          prefs(defaults),
          ax(desktop),
          controller({ax, desktop, prefs, clock, watch,
                      [this] {
                          auto s = std::make_unique<FakeSurface>();
                          button = s.get();
                          return s;
                      },
                      [this] {
                          auto s = std::make_unique<FakeSurface>();
                          palette = s.get();
                          return s;
                      },
                      [this](const PaletteAction& a) {
                          ran.push_back(a.action);
                          activeWhenRun = desktop.frontmost;
                      },
                      [this](const Point& p) {
                          return ownWindow.width > 0 && p.x >= ownWindow.x &&
                                 p.x < ownWindow.maxX() && p.y >= ownWindow.y &&
                                 p.y < ownWindow.maxY();
                      }}) {
        prefs.set(settings::cornerButtonMode, mode);
        desktop.setPointer({1300, 800});
    }
    bool shownAt(const Rect& r) const { return button && button->shown && button->current == r; }
    bool hidden() const { return !button || !button->shown; }

    SimDesktop desktop;
    SimDefaults defaults;
    Prefs prefs;
    VirtualClock clock;
    SimFocusWatch watch;
    AX ax;
    FakeSurface* button = nullptr;
    FakeSurface* palette = nullptr;
    std::vector<HotKeyAction> ran;
    std::optional<int32_t> activeWhenRun;
    Rect ownWindow;
    CornerButtonController controller;
};

TEST(CornerButton, AlwaysModeShowsForEligibleWindowsOnly) {
    struct Case {
        const char* name;
        QString fixture;
        bool shown;
    };
    const std::vector<Case> cases{
        {"a standard window", "201 XTerm 'sh' 100,200 800x600 *", true},
        {"301 wide, 151 high", "201 XTerm 'sh' 100,200 301x151 *", true},
        {"300 wide", "201 XTerm 'sh' 100,200 300x600 *", false},
        {"150 high", "201 XTerm 'sh' 100,200 800x150 *", false},
        {"a 0x0 frame", "201 XTerm 'sh' 100,200 0x0 *", false},
        {"a dialog", "201 XTerm 'sh' 100,200 800x600 * dialog", false},
        {"this program's own window", "1 Quenda 'Panel' 100,200 800x600 *", false},
        {"no focused window", "201 XTerm 'sh' 100,200 800x600", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Corner t;
        t.desktop.load(c.fixture);
        t.controller.start();
        EXPECT_EQ(t.controller.buttonShown(), c.shown);
        if (c.shown) {
            const Rect frame = *t.desktop.frame(t.ax.focusedWindow()->ref());
            EXPECT_EQ(t.button->current,
                      placeCornerButton(frame, kVisible, CornerSide::left).button);
        }
        EXPECT_FALSE(t.watch.followingPointer);  // only hover mode follows the pointer
    }
}

TEST(CornerButton, NeverModeAndNoPermissionShowNothing) {
    Corner never(0);
    never.desktop.load("201 XTerm 'sh' 100,200 800x600 *");
    never.controller.start();
    EXPECT_TRUE(never.hidden());

    Corner untrusted;
    untrusted.desktop.load("201 XTerm 'sh' 100,200 800x600 *");
    untrusted.desktop.trusted = false;
    untrusted.controller.start();
    EXPECT_TRUE(untrusted.hidden());

    // Switching to "never" while it shows hides it at the next change.
    Corner t;
    t.desktop.load("201 XTerm 'sh' 100,200 800x600 *");
    t.controller.start();
    ASSERT_TRUE(t.controller.buttonShown());
    t.prefs.set(settings::cornerButtonMode, 0);
    t.watch.change();
    EXPECT_TRUE(t.hidden());
}

TEST(CornerButton, FollowsItsWindowAndMovesOnlyWhenThePlaceChanges) {
    Corner t;
    const uint64_t id = t.desktop.load("201 XTerm 'sh' 100,200 800x600 *").front();
    t.controller.start();
    ASSERT_TRUE(t.shownAt({124, 181, 34, 16}));
    const int moves = t.button->moves;

    t.watch.change();  // nothing really changed
    EXPECT_EQ(t.button->moves, moves);
    EXPECT_EQ(t.button->fronts, 1);

    t.desktop.window(id).frame = {300, 400, 800, 400};
    t.watch.change();
    EXPECT_TRUE(t.shownAt({324, 381, 34, 16}));

    t.prefs.set(settings::cornerButtonPosition, 1);
    t.watch.change();
    EXPECT_TRUE(t.shownAt({1052, 381, 34, 16}));

    // Another window takes the focus; then it narrows below the limit.
    const uint64_t other = t.desktop.load("202 Mousepad 'doc' 0,25 700x500 *").front();
    t.watch.change();
    EXPECT_TRUE(t.shownAt({652, 26, 34, 15}));
    t.desktop.window(other).frame = {0, 25, 300, 500};
    t.watch.change();
    EXPECT_TRUE(t.hidden());
}

TEST(CornerButton, AWindowGoneOrUnreadableHidesTheButton) {
    Corner t;
    const uint64_t id = t.desktop.load("201 XTerm 'sh' 100,200 800x600 *").front();
    t.controller.start();
    ASSERT_TRUE(t.controller.buttonShown());
    t.desktop.window(id).unreadable.insert(SimRead::frame);
    t.watch.change();
    EXPECT_TRUE(t.hidden());
    t.desktop.window(id).unreadable.clear();
    t.watch.change();
    EXPECT_TRUE(t.controller.buttonShown());
    t.desktop.vanish(id);
    t.watch.change();
    EXPECT_TRUE(t.hidden());
    // A window manager going away (restarting) hides it too.
    t.desktop.load("202 XTerm 'sh' 100,200 800x600 *");
    t.desktop.trusted = false;
    t.watch.change();
    EXPECT_TRUE(t.hidden());
    t.desktop.trusted = true;
    t.watch.change();
    EXPECT_TRUE(t.controller.buttonShown());
}

TEST(CornerButton, HoverModeShowsInTheZoneAndKeepsItWhileOverTheButton) {
    Corner t(1);
    // At the top with room on the left: button 80,27 17x24; zone 76,25 94x30.
    t.desktop.load("201 XTerm 'sh' 100,25 800x600 *");
    t.controller.start();
    EXPECT_TRUE(t.hidden());
    EXPECT_TRUE(t.watch.followingPointer);

    struct Step {
        const char* name;
        Point pointer;
        bool shown;
    };
    const std::vector<Step> steps{
        {"into the zone", {150, 40}, true},
        {"at the zone's far corner", {169, 54}, true},
        {"above the zone, within 4 of the button", {85, 23}, true},
        {"far away", {600, 600}, false},
        {"within 4 of the hidden button does not count", {85, 23}, false},
        {"just past the zone's right edge", {170, 40}, false},
        {"back into the zone at its top-left corner", {76, 25}, true},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        t.desktop.setPointer(s.pointer);
        t.watch.movePointer();
        EXPECT_EQ(t.controller.buttonShown(), s.shown);
    }
    EXPECT_TRUE(t.shownAt({80, 27, 17, 24}));

    // No eligible window: the pointer is no longer followed.
    t.desktop.load("202 XTerm 'sh' 100,200 200x600 *");
    t.watch.change();
    EXPECT_TRUE(t.hidden());
    EXPECT_FALSE(t.watch.followingPointer);
    // Back to "always": not followed either.
    t.desktop.load("203 XTerm 'sh' 100,200 800x600 *");
    t.prefs.set(settings::cornerButtonMode, 2);
    t.watch.change();
    EXPECT_FALSE(t.watch.followingPointer);
}

TEST(CornerButton, ThePaletteOpensBelowTheButtonAndFreezesIt) {
    Corner t;
    const uint64_t id = t.desktop.load("201 XTerm 'sh' 100,200 800x600 *").front();
    t.controller.start();
    t.controller.buttonClicked();
    ASSERT_TRUE(t.controller.paletteShown());
    EXPECT_EQ(t.palette->current, (Rect{118, 203, 260, 240}));
    EXPECT_TRUE(t.watch.watchingPresses);

    // While it is open the button stays where it is.
    t.desktop.window(id).frame = {300, 400, 800, 400};
    t.watch.change();
    EXPECT_TRUE(t.shownAt({124, 181, 34, 16}));

    // A second click on the button closes it.
    t.controller.buttonClicked();
    EXPECT_FALSE(t.controller.paletteShown());
    EXPECT_FALSE(t.watch.watchingPresses);
    t.watch.change();
    EXPECT_TRUE(t.shownAt({324, 381, 34, 16}));
    EXPECT_TRUE(t.ran.empty());
}

TEST(CornerButton, APressElsewhereClosesThePaletteWithoutRunningAnything) {
    struct Case {
        const char* name;
        Point pointer;
        bool staysOpen;
    };
    const std::vector<Case> cases{
        {"on another window", {700, 700}, false},
        {"on the desktop", {1400, 880}, false},
        {"on the palette", {200, 300}, true},
        {"on the button", {130, 185}, true},
        {"on another window of this program", {1000, 100}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Corner t;
        t.ownWindow = {900, 50, 300, 300};
        t.desktop.load("201 XTerm 'sh' 100,200 800x600 *");
        t.controller.start();
        t.controller.buttonClicked();
        t.desktop.setPointer(c.pointer);
        t.watch.press();
        EXPECT_EQ(t.controller.paletteShown(), c.staysOpen);
        EXPECT_EQ(t.watch.watchingPresses, c.staysOpen);
        t.clock.advance(1);
        EXPECT_TRUE(t.ran.empty());
    }
}

TEST(CornerButton, AChosenCommandRunsAfterThePaletteHasGoneOnTheFocusedWindow) {
    Corner t;
    t.desktop.load("201 XTerm 'sh' 100,200 800x600 *");
    t.controller.start();
    t.controller.buttonClicked();
    const PaletteAction left = paletteRows()[0].actions[0];
    t.controller.choose(left);
    EXPECT_FALSE(t.controller.paletteShown());
    EXPECT_FALSE(t.watch.watchingPresses);
    t.clock.advance(0.049);
    EXPECT_TRUE(t.ran.empty());
    t.clock.advance(0.001);
    EXPECT_EQ(t.ran, std::vector<HotKeyAction>{HotKeyAction::winLeft});
    EXPECT_EQ(t.activeWhenRun, std::optional<int32_t>(201));
}

TEST(CornerButton, NoPaletteWithoutTheButton) {
    Corner t(0);
    t.desktop.load("201 XTerm 'sh' 100,200 800x600 *");
    t.controller.start();
    t.controller.openPalette();
    EXPECT_FALSE(t.controller.paletteShown());
    EXPECT_EQ(t.palette, nullptr);
}

}  // namespace
}  // namespace quenda
