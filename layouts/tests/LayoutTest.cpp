#include <gtest/gtest.h>

#include <vector>

#include "core/L10n.h"
#include "layouts/Layout.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

// Cells per row, top to bottom, read back from the rectangles: cells are grouped by their y.
std::vector<int> rowSizes(const std::vector<Rect>& cells) {
    std::vector<int> sizes;
    double y = -1;
    for (const Rect& c : cells) {
        if (c.y != y) {
            sizes.push_back(0);
            y = c.y;
        }
        ++sizes.back();
    }
    return sizes;
}

// Every row covers the full width without overlap, and the rows cover the full height.
void expectTilesTheUnitSquare(const std::vector<Rect>& cells) {
    double area = 0;
    for (const Rect& c : cells) area += c.width * c.height;
    EXPECT_NEAR(area, 1.0, 1e-9);
    for (size_t i = 0; i < cells.size(); ++i) {
        for (size_t j = i + 1; j < cells.size(); ++j) {
            const Rect o = cells[i].intersected(cells[j]);
            EXPECT_LT(o.width * o.height, 1e-9) << i << " overlaps " << j;
        }
    }
}

TEST(Layout, RawValuesRoundTripAndUnknownNamesGiveNothing) {
    for (Layout l : allLayouts()) EXPECT_EQ(layoutFromRawValue(rawValue(l)), l);
    EXPECT_EQ(layoutFromRawValue("grid3x3"), Layout::grid3x3);
    EXPECT_EQ(layoutFromRawValue("auto"), Layout::auto_);
    for (const char* unknown : {"", "Grid3x3", "grid4x4", "auto ", "auto_"}) {
        EXPECT_EQ(layoutFromRawValue(unknown), std::nullopt) << unknown;
    }
}

// Tiling keeps at most maxWindows windows and gives each a cell: with that many windows
// every layout has exactly one cell per window, none left empty and none missing.
TEST(Layout, MaxWindowsIsTheCellCountAtFullCapacity) {
    for (Layout l : allLayouts()) {
        SCOPED_TRACE(rawValue(l).toStdString());
        const int n = maxWindows(l);
        for (double aspect : {1.6, kWideAspect}) {
            EXPECT_EQ(units(l, n, aspect).size(), size_t(n));
            expectTilesTheUnitSquare(units(l, n, aspect));
        }
    }
}

TEST(Layout, EveryTitleHasATextInTheStringsTable) {
    const L10n l10n = L10n::builtIn();
    for (Layout l : allLayouts()) {
        SCOPED_TRACE(rawValue(l).toStdString());
        EXPECT_NE(l10n.t(titleKey(l)), titleKey(l));
        EXPECT_NE(l10n.t(shortTitleKey(l)), shortTitleKey(l));
    }
}

TEST(Layout, AutomaticRuleByCountAndAspect) {
    const double normal = 1440.0 / 875, wide = 3440.0 / 1400;
    struct Case {
        int count;
        double aspect;
        std::vector<int> rows;
    } cases[] = {
        {0, normal, {1}},        {1, wide, {1}},          {2, normal, {2}},
        {3, wide, {3}},          {4, normal, {2, 2}},     {4, wide, {4}},
        {4, 2.1, {4}},           {4, 2.0999, {2, 2}},     {5, normal, {3, 2}},
        {5, wide, {3, 2}},       {6, normal, {3, 3}},     {6, wide, {3, 3}},
        {7, normal, {3, 3, 1}},  {7, wide, {4, 3}},       {7, 2.1, {4, 3}},
        {8, normal, {3, 3, 2}},  {8, wide, {4, 4}},       {9, normal, {3, 3, 3}},
        {9, wide, {4, 4, 1}},    {10, normal, {4, 4, 2}}, {10, wide, {4, 4, 2}},
        {11, normal, {4, 4, 3}}, {11, wide, {4, 4, 3}},   {12, normal, {4, 4, 4}},
        {12, wide, {4, 4, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " windows, aspect " << c.aspect);
        const auto cells = autoUnits(c.count, c.aspect);
        EXPECT_EQ(rowSizes(cells), c.rows);
        expectTilesTheUnitSquare(cells);
        EXPECT_EQ(units(Layout::auto_, c.count, c.aspect), cells);
    }
}

TEST(Layout, ShortLastRowsStretchToTheFullWidth) {
    // Five windows: thirds on top, halves below; seven on a normal screen: the last one
    // alone, as wide as the area.
    EXPECT_EQ(autoUnits(5, 1.6), (std::vector<Rect>{{0, 0, 1.0 / 3, 0.5},
                                                    {1.0 / 3, 0, 1.0 / 3, 0.5},
                                                    {2.0 / 3, 0, 1.0 / 3, 0.5},
                                                    {0, 0.5, 0.5, 0.5},
                                                    {0.5, 0.5, 0.5, 0.5}}));
    EXPECT_EQ(autoUnits(7, 1.6).back(), (Rect{0, 2.0 / 3, 1, 1.0 / 3}));
}

TEST(Layout, FixedCellsOfEachLayout) {
    const double q = 0.25, h = 0.5, t = 1.0 / 3;
    struct Case {
        Layout layout;
        std::vector<Rect> cells;
    } cases[] = {
        {Layout::columns2, {{0, 0, h, 1}, {h, 0, h, 1}}},
        {Layout::columns3, {{0, 0, t, 1}, {t, 0, t, 1}, {2 * t, 0, t, 1}}},
        {Layout::columns4, {{0, 0, q, 1}, {q, 0, q, 1}, {h, 0, q, 1}, {3 * q, 0, q, 1}}},
        {Layout::grid2x2, {{0, 0, h, h}, {h, 0, h, h}, {0, h, h, h}, {h, h, h, h}}},
        {Layout::centerSides, {{q, 0, h, 1}, {0, 0, q, 1}, {3 * q, 0, q, 1}}},
        {Layout::rows2, {{0, 0, 1, h}, {0, h, 1, h}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(rawValue(c.layout).toStdString());
        // Whatever the count: the tiling engine fills as many as it has windows.
        for (int count : {1, 2, 7}) EXPECT_EQ(units(c.layout, count, 1.6), c.cells);
    }
    EXPECT_EQ(rowSizes(units(Layout::grid3x2, 2, 1.6)), (std::vector<int>{3, 3}));
    EXPECT_EQ(rowSizes(units(Layout::grid3x3, 2, 1.6)), (std::vector<int>{3, 3, 3}));
    for (Layout l : allLayouts()) {
        if (l != Layout::auto_) expectTilesTheUnitSquare(units(l, 1, 1.6));
    }
}

TEST(Layout, MainStackKeepsAtLeastOneStackRow) {
    struct Case {
        int count;
        std::vector<Rect> cells;
    } cases[] = {
        {0, {{0, 0, 0.5, 1}, {0.5, 0, 0.5, 1}}},
        {1, {{0, 0, 0.5, 1}, {0.5, 0, 0.5, 1}}},
        {3, {{0, 0, 0.5, 1}, {0.5, 0, 0.5, 0.5}, {0.5, 0.5, 0.5, 0.5}}},
        {5,
         {{0, 0, 0.5, 1},
          {0.5, 0, 0.5, 0.25},
          {0.5, 0.25, 0.5, 0.25},
          {0.5, 0.5, 0.5, 0.25},
          {0.5, 0.75, 0.5, 0.25}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(units(Layout::mainStack, c.count, 1.6), c.cells) << c.count;
    }
}

TEST(Layout, GridWithNothingToPlaceIsEmpty) {
    for (auto [count, cols] : {std::pair{0, 3}, {-1, 3}, {3, 0}, {3, -2}}) {
        EXPECT_TRUE(grid(count, cols).empty()) << count << " in " << cols;
    }
    EXPECT_EQ(grid(1, 3), (std::vector<Rect>{{0, 0, 1, 1}}));
}

}  // namespace
}  // namespace quenda
