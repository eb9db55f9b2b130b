#include <gtest/gtest.h>

#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

// The one-line notation is how tests state a desktop before and after: what `dump` writes,
// `load` reads back into the same desktop.
TEST(SimDesktop, TheDumpReadsBackAsTheSameDesktop) {
    const QString fixtures[] = {
        "101 Safari 'Docs' 0,25 720x875 *; 102 Terminal 'sh' 100,100 600x400 min",
        "101 A 'a' -300,12.5 640x480; 102 B 'b' 0,0 500x500 hidden; 103 C 'c' 1,2 300x200 dialog",
        "104 D 'd' 0,0 500x500 alpha=0.5; 105 E 'e' 0,0 500x500 * layer=20",
        "106 F 'a title with a %1 placeholder' 0,0 500x500",
        "107 xterm 'sh' 0,0 500x500 class=XTerm; 108 G 'g' 0,0 500x500 desktop=2 class=G-Term",
    };
    for (const QString& fixture : fixtures) {
        SimDesktop first;
        first.load(fixture);
        EXPECT_EQ(first.dump(), fixture);
        SimDesktop second;
        second.load(first.dump());
        EXPECT_EQ(second.dump(), first.dump());
    }
}

TEST(SimDesktop, TheDumpFollowsThePlansApplied) {
    SimDesktop d;
    const auto ids = d.load("101 A 'a' 0,0 300x300 *; 102 B 'b' 10,10 300x300 min");
    d.apply(WindowPlan{.restore = {{102, ids[1]}},
                       .frames = {{{102, ids[1]}, {400, 0, 200, 100}}},
                       .focus = WindowRef{102, ids[1]}});
    EXPECT_EQ(d.dump(), "102 B 'b' 400,0 200x100 *; 101 A 'a' 0,0 300x300");
}

}  // namespace
}  // namespace quenda
