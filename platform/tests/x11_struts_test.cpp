// The visible area of a monitor less the struts of the panels that reach into it. Struts are
// measured from the edges of the whole root (the bounding box of all monitors).
#include <gtest/gtest.h>

#include "platform/sim/TestPrinters.h"
#include "platform/x11/Struts.h"

namespace quenda::x11 {
namespace {

// Partial struts: thickness left, right, top, bottom, then the spans.
Strut partial(std::vector<uint32_t> v) {
    return *strutFrom(v, {}, {});
}

TEST(X11Struts, EachPanelTakesSpaceFromTheMonitorsItReaches) {
    // 1280x1024 on the left, 1920x1080 on the right: the root is 3200x1080.
    const Size root{3200, 1080};
    const Rect left{0, 0, 1280, 1024}, right{1280, 0, 1920, 1080};
    struct Case {
        const char* name;
        std::vector<Strut> struts;
        Rect left, right;
    };
    const Case cases[] = {
        {"none", {}, left, right},
        // A 22-point panel at the bottom of the shorter monitor is 78 from the root's bottom.
        {"bottom of the short monitor",
         {partial({0, 0, 0, 78, 0, 0, 0, 0, 0, 0, 0, 1279})},
         {0, 0, 1280, 1002},
         right},
        {"top of the right monitor",
         {partial({0, 0, 30, 0, 0, 0, 0, 0, 1280, 3199, 0, 0})},
         left,
         {1280, 30, 1920, 1050}},
        {"left edge",
         {partial({40, 0, 0, 0, 0, 1023, 0, 0, 0, 0, 0, 0})},
         {40, 0, 1240, 1024},
         right},
        {"right edge",
         {partial({0, 50, 0, 0, 0, 0, 0, 1079, 0, 0, 0, 0})},
         left,
         {1280, 0, 1870, 1080}},
        {"the larger of two on one edge",
         {partial({0, 0, 20, 0, 0, 0, 0, 0, 0, 1279, 0, 0}),
          partial({0, 0, 35, 0, 0, 0, 0, 0, 0, 1279, 0, 0})},
         {0, 35, 1280, 989},
         right},
        // The span's end is included: a panel ending at 1279 does not reach 1280.
        {"span ends on the border",
         {partial({0, 0, 25, 0, 0, 0, 0, 0, 0, 1279, 0, 0})},
         {0, 25, 1280, 999},
         right},
        // The old four-value strut covers whole root edges.
        {"old style top",
         {*strutFrom({}, {0, 0, 24, 0}, root)},
         {0, 24, 1280, 1000},
         {1280, 24, 1920, 1056}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(visibleArea(left, c.struts, root), c.left);
        EXPECT_EQ(visibleArea(right, c.struts, root), c.right);
    }
}

TEST(X11Struts, AWindowWithoutStrutsHasNone) {
    EXPECT_FALSE(strutFrom({}, {}, {100, 100}));
    EXPECT_FALSE(strutFrom({1, 2, 3}, {1, 2}, {100, 100}));
}

}  // namespace
}  // namespace quenda::x11
