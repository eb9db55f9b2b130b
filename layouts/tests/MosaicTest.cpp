#include <gtest/gtest.h>

#include "layouts/tests/WindowManagerDesk.h"
namespace quenda {
namespace {

// One 1440x900 screen with a 25-point menu bar, three windows, A focused; messages come from
// the built-in strings table.
struct Desk : testing::WindowManagerDesk {
    Desk() : WindowManagerDesk(QStringLiteral("1440x900+0+0"), {.menuBar = 25}), wm(services()) {
        ids = desktop.load(
            "101 A 'a' 100,100 600x400 *; 102 B 'b' 200,150 600x400; 103 C 'c' 300,200 600x400");
    }
    // An empty rectangle for a window that has closed.
    std::vector<Rect> frames() {
        std::vector<Rect> all;
        for (uint64_t id : ids)
            all.push_back(desktop.exists(id) ? desktop.window(id).frame : Rect{});
        return all;
    }
    std::vector<uint64_t> tiledIds() {
        std::vector<uint64_t> out;
        for (const AXWindow& w : wm.lastTiled()) out.push_back(w.ref().id);
        return out;
    }
    // Tiles, lets the adaptive passes run, and forgets the tiling's message.
    void tile(Layout layout) {
        wm.tile(layout);
        clock.advance(1);
        hud.messages.clear();
    }

    WindowManager wm;
    std::vector<uint64_t> ids;
};

const Rect kLeft{8, 33, 469, 859}, kMiddle{485, 33, 469, 859}, kRight{963, 33, 469, 859};

TEST(Rotate, MovesEveryWindowOneSlotOnAndComesBackAfterAFullTurn) {
    Desk d;
    d.tile(Layout::columns3);
    const auto a = d.ids[0], b = d.ids[1], c = d.ids[2];
    ASSERT_EQ(d.frames(), (std::vector<Rect>{kLeft, kMiddle, kRight}));

    d.wm.rotate();
    EXPECT_EQ(d.frames(), (std::vector<Rect>{kMiddle, kRight, kLeft}));
    EXPECT_EQ(d.tiledIds(), (std::vector<uint64_t>{c, a, b}));
    d.wm.rotate();
    d.wm.rotate();
    EXPECT_EQ(d.frames(), (std::vector<Rect>{kLeft, kMiddle, kRight}));
    EXPECT_EQ(d.tiledIds(), (std::vector<uint64_t>{a, b, c}));
    EXPECT_EQ(d.hud.messages, (std::vector<SimHud::Message>(3, {"🔄 Mosaico rotado", 1.6})));
}

TEST(Rotate, SwapsTheRealFramesIncludingRefusedSizes) {
    Desk d;
    d.desktop.window(d.ids[1]).minWidth = 700;
    d.tile(Layout::columns3);
    const auto before = d.frames();
    d.wm.rotate();
    // A takes B's place at the width A accepts; B cannot shrink into C's place.
    EXPECT_EQ(d.frames(), (std::vector<Rect>{before[1], {before[2].x, 33, 700, 859}, before[0]}));
}

TEST(Rotate, AfterAWindowClosedTheOthersExchangeFrames) {
    Desk d;
    d.tile(Layout::columns3);
    d.desktop.vanish(d.ids[1]);
    d.wm.rotate();
    EXPECT_EQ(d.desktop.window(d.ids[0]).frame, kRight);
    EXPECT_EQ(d.desktop.window(d.ids[2]).frame, kLeft);
    EXPECT_EQ(d.tiledIds(), (std::vector<uint64_t>{d.ids[2], d.ids[0]}));
    EXPECT_EQ(d.hud.last(), "🔄 Mosaico rotado");
}

TEST(Promote, SwapsTheFocusedWindowWithTheMainSlotOnce) {
    Desk d;
    d.tile(Layout::mainStack);
    const Rect main{8, 33, 708, 859}, top{724, 33, 708, 426}, bottom{724, 467, 708, 426};
    ASSERT_EQ(d.frames(), (std::vector<Rect>{main, top, bottom}));

    d.desktop.focus(d.ids[2]);
    d.wm.promoteFocused();
    EXPECT_EQ(d.frames(), (std::vector<Rect>{bottom, top, main}));
    EXPECT_EQ(d.tiledIds(), (std::vector<uint64_t>{d.ids[2], d.ids[1], d.ids[0]}));
    EXPECT_EQ(d.hud.messages,
              (std::vector<SimHud::Message>{{"★ Ventana a la celda principal", 1.6}}));

    d.wm.promoteFocused();  // already in the main slot
    EXPECT_EQ(d.frames(), (std::vector<Rect>{bottom, top, main}));
    EXPECT_EQ(d.hud.messages.size(), 1u);
}

TEST(Mosaic, WithoutEnoughTiledWindowsSaysSoAndKeepsTheList) {
    struct Case {
        const char* name;
        std::function<void(Desk&)> setup;
        size_t tiledAfter;
    } cases[] = {
        {"nothing tiled yet", [](Desk&) {}, 0},
        {"one of two tiled windows left",
         [](Desk& d) {
             d.tile(Layout::columns2);
             d.desktop.vanish(d.ids[1]);
         },
         2},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        Desk d;
        c.setup(d);
        const auto frames = d.frames();
        d.wm.rotate();
        d.wm.promoteFocused();
        EXPECT_EQ(d.hud.messages, (std::vector<SimHud::Message>{
                                      {"Hacen falta al menos dos ventanas en el mosaico", 1.6},
                                      {"Esta ventana no está en el mosaico", 1.6}}));
        EXPECT_EQ(d.wm.lastTiled().size(), c.tiledAfter);
        EXPECT_EQ(d.frames(), frames);
    }
}

TEST(Promote, NeedsAFocusedWindowAmongTheTiledOnes) {
    Desk d;
    d.tile(Layout::columns2);  // A and B
    const auto frames = d.frames();

    d.desktop.focus(d.ids[2]);
    d.wm.promoteFocused();
    EXPECT_EQ(d.hud.messages,
              (std::vector<SimHud::Message>{{"Esta ventana no está en el mosaico", 1.6}}));

    d.desktop.frontmost.reset();
    d.wm.promoteFocused();
    EXPECT_EQ(d.hud.messages.size(), 1u);
    EXPECT_EQ(d.frames(), frames);
}

TEST(Mosaic, WithoutPermissionNothingMoves) {
    Desk d;
    d.tile(Layout::columns3);
    d.desktop.trusted = false;
    d.desktop.focus(d.ids[2]);
    d.wm.rotate();
    d.wm.promoteFocused();
    EXPECT_EQ(d.frames(), (std::vector<Rect>{kLeft, kMiddle, kRight}));
    const SimHud::Message denied{
        QString::fromUtf8("Activa Quenda en Ajustes ▸ Privacidad ▸ Accesibilidad"), 1.6};
    EXPECT_EQ(d.hud.messages, (std::vector<SimHud::Message>{denied, denied}));
}

}  // namespace
}  // namespace quenda
