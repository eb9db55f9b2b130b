#include <gtest/gtest.h>

#include "hotkeys/HotKeyPrefs.h"
#include "hotkeys/tests/Printers.h"
#include "platform/sim/SimDefaults.h"

namespace quenda {
namespace {

using A = HotKeyAction;

// The bound actions only; every other action must be present and unbound.
using Bound = std::map<A, KeyCombo>;

void expectBindings(const HotKeyBindings& bindings, const Bound& bound, const char* what) {
    EXPECT_EQ(bindings.size(), size_t(kHotKeyActionCount)) << what;
    for (A a : allActions()) {
        const auto it = bound.find(a);
        const auto expected = it == bound.end() ? std::nullopt : std::optional(it->second);
        const auto actual = bindings.contains(a) ? bindings.at(a) : std::nullopt;
        EXPECT_EQ(actual, expected) << what << ": " << rawValue(a).toStdString();
    }
}

Bound defaults() {
    Bound out;
    for (const auto& [a, c] : defaultMap())
        if (c) out[a] = *c;
    return out;
}

TEST(HotKeyPrefs, ReadingStoredBindings) {
    struct Case {
        const char* what;
        std::optional<DefaultsValue> stored;
        Bound expected;
    };
    const auto data = [](const char* json) { return DefaultsValue(QByteArray(json)); };
    const std::vector<Case> cases = {
        {"nothing stored", std::nullopt, defaults()},
        {"empty object: all unbound", data("{}"), {}},
        {"one binding, no merging of defaults",
         data(R"({"bridge.group":{"keyCode":5,"carbonModifiers":6144}})"),
         {{A::bridgeGroup, {5, 6144}}}},
        {"bare letter dropped", data(R"({"win.left":{"keyCode":0,"carbonModifiers":0}})"), {}},
        {"bare F1 kept",
         data(R"({"win.left":{"keyCode":122,"carbonModifiers":0}})"),
         {{A::winLeft, {122, 0}}}},
        {"escape and a lone modifier dropped",
         data(R"({"win.left":{"keyCode":53,"carbonModifiers":4096},)"
              R"("win.top":{"keyCode":56,"carbonModifiers":512},)"
              R"("win.right":{"keyCode":124,"carbonModifiers":4096}})"),
         {{A::winRight, {124, 4096}}}},
        {"unknown identifier ignored",
         data(R"({"win.sideways":{"keyCode":1,"carbonModifiers":256},)"
              R"("tools.shelf":{"keyCode":1,"carbonModifiers":256}})"),
         {{A::toolsShelf, {1, 256}}}},
        {"members in any order, extra members ignored",
         data(R"({"ws.save.2":{"note":"x","carbonModifiers":2560,"keyCode":19.0}})"),
         {{A::wsSave2, {19, 2560}}}},
        {"duplicates taken as they are",
         data(R"({"layout.auto":{"keyCode":18,"carbonModifiers":6144},)"
              R"("win.left":{"keyCode":18,"carbonModifiers":6144}})"),
         {{A::layoutAuto, {18, 6144}}, {A::winLeft, {18, 6144}}}},
        {"not JSON", data("{\"layout.auto\":"), defaults()},
        {"empty data", data(""), defaults()},
        {"an array", data("[]"), defaults()},
        {"null for an action", data(R"({"win.left":null})"), defaults()},
        {"member missing", data(R"({"win.left":{"keyCode":0}})"), defaults()},
        {"number as text", data(R"({"win.left":{"keyCode":"0","carbonModifiers":256}})"),
         defaults()},
        {"negative", data(R"({"win.left":{"keyCode":-1,"carbonModifiers":256}})"), defaults()},
        {"fraction", data(R"({"win.left":{"keyCode":0.5,"carbonModifiers":256}})"), defaults()},
        {"beyond 32 bits", data(R"({"win.left":{"keyCode":4294967296,"carbonModifiers":256}})"),
         defaults()},
        {"an unknown identifier that is no combination",
         data(R"({"names":["a"],"win.left":{"keyCode":0,"carbonModifiers":256}})"), defaults()},
        {"text instead of data", DefaultsValue(QStringLiteral("{}")), defaults()},
    };
    for (const auto& c : cases) {
        SimDefaults store;
        if (c.stored) store.setValue(settings::customHotKeys.name(), *c.stored);
        expectBindings(loadHotKeys(Prefs(store)), c.expected, c.what);
    }
}

TEST(HotKeyPrefs, CombinationsWithoutAModifierKeyAreRejectedNotBound) {
    // Bits that stand for no modifier key would reach the desktop as a bare letter.
    SimDefaults store;
    store.setValue(settings::customHotKeys.name(),
                   QByteArray(R"({"win.left":{"keyCode":0,"carbonModifiers":1024},)"
                              R"("win.top":{"keyCode":0,"carbonModifiers":1},)"
                              R"("win.right":{"keyCode":37,"carbonModifiers":6144},)"
                              R"("win.bottom":{"keyCode":37,"carbonModifiers":7168},)"
                              R"("win.center":{"keyCode":0,"carbonModifiers":0},)"
                              R"("win.max":{"keyCode":122,"carbonModifiers":0}})"));
    std::vector<RejectedHotKey> rejected{{A::layoutAuto, {1, 1}}};  // replaced, not appended
    expectBindings(loadHotKeys(Prefs(store), &rejected),
                   {{A::winRight, {37, 6144}}, {A::winMaximize, {122, 0}}}, "stray bits");
    const std::vector<RejectedHotKey> expected = {{A::winLeft, {0, 1024}},
                                                  {A::winTop, {0, 1}},
                                                  {A::winBottom, {37, 7168}},
                                                  {A::winCenter, {0, 0}}};
    EXPECT_EQ(rejected, expected);

    store.remove(settings::customHotKeys.name());
    loadHotKeys(Prefs(store), &rejected);
    EXPECT_TRUE(rejected.empty()) << "nothing stored, nothing rejected";
}

TEST(HotKeyPrefs, WritingKeepsValidCombinationsOnly) {
    EXPECT_EQ(encodeHotKeys(defaultMap()),
              R"({"layout.auto":{"keyCode":18,"carbonModifiers":6144},)"
              R"("groups.overview":{"keyCode":19,"carbonModifiers":6144},)"
              R"("bridge.mark":{"keyCode":18,"carbonModifiers":2560},)"
              R"("bridge.send":{"keyCode":19,"carbonModifiers":2560},)"
              R"("bridge.sendEnter":{"keyCode":13,"carbonModifiers":6144},)"
              R"("bridge.sendClipboard":{"keyCode":3,"carbonModifiers":6144},)"
              R"("bridge.group":{"keyCode":5,"carbonModifiers":6144},)"
              R"("bridge.broadcast":{"keyCode":11,"carbonModifiers":6144}})");
    EXPECT_EQ(encodeHotKeys({}), "{}");
    const HotKeyBindings mixed = {
        {A::winLeft, KeyCombo{0, 0}},          // bare letter: never written
        {A::winTop, KeyCombo{53, 4096}},       // escape: never written
        {A::winBottom, KeyCombo{0, 1024}},     // no modifier key: never written
        {A::winRight, std::nullopt},           // unbound: no member
        {A::toolsDashboard, KeyCombo{122, 0}}  // bare F1 is fine
    };
    EXPECT_EQ(encodeHotKeys(mixed), R"({"tools.dashboard":{"keyCode":122,"carbonModifiers":0}})");
}

TEST(HotKeyPrefs, StoreThenLoadRoundTrips) {
    SimDefaults store;
    Prefs prefs(store);
    HotKeyBindings bindings = defaultMap();
    bindings[A::layoutAuto].reset();
    bindings[A::wsRestore3] = KeyCombo{92, kCarbonModifierMask};
    ASSERT_TRUE(storeHotKeys(prefs, bindings));
    EXPECT_TRUE(std::holds_alternative<QByteArray>(*store.value(settings::customHotKeys.name())));
    EXPECT_EQ(loadHotKeys(prefs), bindings);

    ASSERT_TRUE(storeHotKeys(prefs, {}));
    EXPECT_EQ(prefs.get(settings::customHotKeys), QByteArray("{}"));
    expectBindings(loadHotKeys(prefs), {}, "after storing nothing");
}

TEST(HotKeyPrefs, AFailedWriteKeepsTheOldValue) {
    SimDefaults store;
    Prefs prefs(store);
    ASSERT_TRUE(storeHotKeys(prefs, {}));
    store.failWrites = true;
    EXPECT_FALSE(storeHotKeys(prefs, defaultMap()));
    EXPECT_EQ(prefs.get(settings::customHotKeys), QByteArray("{}"));
}

}  // namespace
}  // namespace quenda
