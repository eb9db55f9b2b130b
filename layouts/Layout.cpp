#include "layouts/Layout.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace quenda {

namespace {
struct Entry {
    Layout layout;
    const char* raw;
    int maxWindows;
};
constexpr std::array<Entry, kLayoutCount> kTable{{
    {Layout::auto_, "auto", 12},
    {Layout::columns2, "columns2", 2},
    {Layout::columns3, "columns3", 3},
    {Layout::columns4, "columns4", 4},
    {Layout::grid2x2, "grid2x2", 4},
    {Layout::mainStack, "mainStack", 5},
    {Layout::grid3x2, "grid3x2", 6},
    {Layout::centerSides, "centerSides", 3},
    {Layout::rows2, "rows2", 2},
    {Layout::grid3x3, "grid3x3", 9},
}};

constexpr bool isIdentifier(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && !(c >= '0' && c <= '9'))
            return false;
    return true;
}

// The table is indexed by the enum's value and holds every layout once. Raw values are
// distinct identifiers, since the title keys are made from them ("layout_" + raw), and
// every layout takes at least one window.
constexpr bool tableFollowsTheEnum() {
    if (static_cast<int>(Layout::grid3x3) + 1 != kLayoutCount) return false;
    for (size_t i = 0; i < kTable.size(); ++i) {
        const Entry& e = kTable[i];
        if (static_cast<size_t>(e.layout) != i) return false;
        if (e.raw == nullptr || !isIdentifier(e.raw)) return false;
        if (e.maxWindows < 1) return false;
        for (size_t j = 0; j < i; ++j)
            if (std::string_view(kTable[j].raw) == e.raw) return false;
    }
    return true;
}
static_assert(tableFollowsTheEnum());

const Entry& entry(Layout layout) {
    return kTable[static_cast<size_t>(layout)];
}
}  // namespace

const std::array<Layout, kLayoutCount>& allLayouts() {
    static const std::array<Layout, kLayoutCount> all = [] {
        std::array<Layout, kLayoutCount> a{};
        for (size_t i = 0; i < a.size(); ++i) a[i] = kTable[i].layout;
        return a;
    }();
    return all;
}

QString rawValue(Layout layout) {
    return QString::fromLatin1(entry(layout).raw);
}

std::optional<Layout> layoutFromRawValue(const QString& raw) {
    for (const Entry& e : kTable) {
        if (raw == QLatin1String(e.raw)) return e.layout;
    }
    return std::nullopt;
}

QString titleKey(Layout layout) {
    return QStringLiteral("layout_") + rawValue(layout);
}

QString shortTitleKey(Layout layout) {
    return QStringLiteral("layout_short_") + rawValue(layout);
}

int maxWindows(Layout layout) {
    return entry(layout).maxWindows;
}

std::vector<Rect> grid(int count, int cols) {
    std::vector<Rect> cells;
    if (count <= 0 || cols <= 0) return cells;
    const int rows = (count + cols - 1) / cols;
    for (int i = 0; i < count; ++i) {
        const int row = i / cols;
        const int col = i - row * cols;
        const int k = row == rows - 1 ? count - (rows - 1) * cols : cols;
        cells.push_back(
            {static_cast<double>(col) / k, static_cast<double>(row) / rows, 1.0 / k, 1.0 / rows});
    }
    return cells;
}

std::vector<Rect> mainStack(int count) {
    std::vector<Rect> cells{{0, 0, 0.5, 1}};
    for (int i = 1; i < count; ++i) {
        cells.push_back({0.5, static_cast<double>(i - 1) / (count - 1), 0.5, 1.0 / (count - 1)});
    }
    return cells;
}

std::vector<Rect> autoUnits(int count, double aspect) {
    const bool wide = aspect >= kWideAspect;
    if (count <= 1) return {{0, 0, 1, 1}};
    if (count == 2) return grid(2, 2);
    if (count == 3) return grid(3, 3);
    if (count == 4) return wide ? grid(4, 4) : grid(4, 2);
    if (count <= 6) return grid(count, 3);
    if (wide) return grid(count, 4);
    return grid(count, static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count)))));
}

std::vector<Rect> units(Layout layout, int count, double aspect) {
    switch (layout) {
        case Layout::auto_:
            return autoUnits(count, aspect);
        case Layout::columns2:
            return grid(2, 2);
        case Layout::columns3:
            return grid(3, 3);
        case Layout::columns4:
            return grid(4, 4);
        case Layout::grid2x2:
            return grid(4, 2);
        case Layout::mainStack:
            // Never fewer than two cells, so the stack has at least one row.
            return mainStack(std::max(count, 2));
        case Layout::grid3x2:
            return grid(6, 3);
        case Layout::centerSides:
            return {{0.25, 0, 0.5, 1}, {0, 0, 0.25, 1}, {0.75, 0, 0.25, 1}};
        case Layout::rows2:
            return grid(2, 1);
        case Layout::grid3x3:
            return grid(9, 3);
    }
    return {};
}

}  // namespace quenda
