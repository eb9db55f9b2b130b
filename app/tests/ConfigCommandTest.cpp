#include <gtest/gtest.h>

#include <limits>

#include "app/ConfigCommand.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

struct Outcome {
    int status;
    QString out, err;
};

Outcome config(Defaults& store, QStringList args) {
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runConfigCommand(args, store, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}

TEST(ConfigCommand, SetTypesValuesByTheKeysType) {
    struct Case {
        const char* key;
        const char* text;
        int status;
        std::optional<DefaultsValue> stored;
    } cases[] = {
        {"gap", "12", 0, int64_t{12}},
        {"gap", "0", 0, int64_t{0}},
        {"gap", "64", 0, int64_t{64}},
        // A gap out of its range would put windows off screen or frames past it.
        {"gap", "-4", 2, std::nullopt},
        {"gap", "65", 2, std::nullopt},
        {"gap", "1000", 2, std::nullopt},
        {"gap", "9223372036854775807", 2, std::nullopt},
        {"gap", "99999999999999999999", 2, std::nullopt},
        {"gap", "abc", 2, std::nullopt},
        {"gap", "true", 2, std::nullopt},
        {"gap", "1.5", 2, std::nullopt},
        {"stageManagerInset", "true", 0, true},
        {"stageManagerInset", "1", 2, std::nullopt},
        {"templateID", "123", 0, QStringLiteral("123")},  // text keys take any text
        {"customHotKeys.v1", R"({"win.left":null})", 0, QByteArray(R"({"win.left":null})")},
        {"workspace.2", "not json", 2, std::nullopt},
        // Values of the right type that the setting's rule refuses.
        {"cornerButtonMode", "2", 0, int64_t{2}},
        {"cornerButtonMode", "3", 2, std::nullopt},
        {"cornerButtonMode", "-1", 2, std::nullopt},
        {"cornerButtonPosition", "1", 0, int64_t{1}},
        {"cornerButtonPosition", "2", 2, std::nullopt},
        {"customHotKeys.v1", "[]", 2, std::nullopt},
        {"workspace.1", "[]", 0, QByteArray("[]")},
        {"workspace.1", R"({"bundleID":"a"})", 0, QByteArray(R"({"bundleID":"a"})")},
        {"someUnknownKey", "true", 0, true},
        {"someUnknownKey", "42", 0, int64_t{42}},
        {"someUnknownKey", "hola", 0, QStringLiteral("hola")},
    };
    for (const Case& c : cases) {
        SimDefaults store;
        const Outcome r = config(store, {"set", c.key, c.text});
        EXPECT_EQ(r.status, c.status) << c.key << " " << c.text;
        EXPECT_EQ(store.value(c.key), c.stored) << c.key << " " << c.text;
        if (c.status == 2) EXPECT_TRUE(r.err.contains(c.key)) << r.err.toStdString();
    }
}

TEST(ConfigCommand, ARefusalSaysWhatTheSettingTakes) {
    SimDefaults store;
    const struct {
        QStringList args;
        const char* err;
    } cases[] = {
        {{"set", "gap", "wide"}, "quenda config: gap takes an integer: 0 to 64; \"wide\" is not\n"},
        {{"set", "gap", "1000"}, "quenda config: gap takes an integer: 0 to 64; \"1000\" is not\n"},
        {{"set", "cornerButtonMode", "7"},
         "quenda config: cornerButtonMode takes an integer: 0 (never), 1 (on hover) or 2 "
         "(always); \"7\" is not\n"},
        {{"set", "customHotKeys.v1", "[1]"},
         "quenda config: customHotKeys.v1 takes JSON text: a JSON object; \"[1]\" is not\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(config(store, c.args).err, c.err);
}

TEST(ConfigCommand, AnInvalidStoredValueShowsAsTheDefault) {
    SimDefaults store;
    store.setValue("cornerButtonMode", int64_t{9});
    store.setValue("customHotKeys.v1", QByteArray("[]"));
    EXPECT_EQ(config(store, {"get", "cornerButtonMode"}).out, "2\n");
    const Outcome hotKeys = config(store, {"get", "customHotKeys.v1"});
    EXPECT_EQ(hotKeys.status, 1);
    EXPECT_EQ(hotKeys.err,
              "quenda config: customHotKeys.v1 holds a value it does not take, which is ignored\n");
    const QString out = config(store, {"list"}).out;
    EXPECT_TRUE(out.contains(
        "cornerButtonMode = 2 (default) [stored value is not valid and is ignored]\n"));
    EXPECT_TRUE(
        out.contains("customHotKeys.v1 = (not set) [stored value is not valid and is ignored]\n"));
}

TEST(ConfigCommand, AStoredValueOutOfRangeShowsAsTheNearestBound) {
    const struct {
        int64_t stored;
        const char* shown;
    } cases[] = {{1000, "64"}, {-40, "0"}, {std::numeric_limits<int64_t>::max(), "64"}};
    for (const auto& c : cases) {
        SimDefaults store;
        store.setValue("gap", c.stored);
        EXPECT_EQ(config(store, {"get", "gap"}).out, QString::fromLatin1(c.shown) + "\n");
        EXPECT_TRUE(config(store, {"list"})
                        .out.contains(QStringLiteral("gap = %1 [stored value %2 is out of range; "
                                                     "the nearest bound is used]\n")
                                          .arg(QLatin1String(c.shown))
                                          .arg(c.stored)))
            << c.stored;
    }
}

TEST(ConfigCommand, GetShowsTheValueInUseWithDefaultsForAbsentOrMistypedKeys) {
    SimDefaults store;
    EXPECT_EQ(config(store, {"get", "gap"}).out, "8\n");
    store.setValue("gap", QStringLiteral("wide"));
    EXPECT_EQ(config(store, {"get", "gap"}).out, "8\n");
    store.setValue("gap", int64_t{24});
    EXPECT_EQ(config(store, {"get", "gap"}).out, "24\n");
    EXPECT_EQ(config(store, {"get", "broadcastEnter"}).out, "true\n");

    const Outcome unset = config(store, {"get", "customHotKeys.v1"});
    EXPECT_EQ(unset.status, 1);
    EXPECT_TRUE(unset.out.isEmpty());
    store.setValue("customHotKeys.v1", QByteArray("{}"));
    EXPECT_EQ(config(store, {"get", "customHotKeys.v1"}).out, "{}\n");
    EXPECT_EQ(config(store, {"get", "nothing.here"}).status, 1);
}

TEST(ConfigCommand, ListShowsEveryKnownKeyAndStoredExtras) {
    SimDefaults store;
    store.setValue("gap", int64_t{4});
    store.setValue("groupSize", QStringLiteral("three"));
    store.setValue("zExtra", true);
    const QString out = config(store, {"list"}).out;
    EXPECT_TRUE(out.contains("gap = 4\n"));
    EXPECT_TRUE(out.contains("broadcastEnter = true (default)\n"));
    EXPECT_TRUE(
        out.contains("groupSize = 0 (default) [stored value of the wrong type is ignored]"));
    EXPECT_TRUE(out.contains("workspace.3 = (not set)\n"));
    EXPECT_TRUE(out.endsWith("zExtra = true\n"));
}

TEST(ConfigCommand, UnsetAndBadUsage) {
    SimDefaults store;
    store.setValue("gap", int64_t{4});
    EXPECT_EQ(config(store, {"unset", "gap"}).status, 0);
    EXPECT_FALSE(store.value("gap"));
    for (const QStringList& args : {QStringList{}, QStringList{"get"}, QStringList{"set", "gap"},
                                    QStringList{"frobnicate"}, QStringList{"list", "x"}}) {
        const Outcome r = config(store, args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.err.startsWith("usage:"));
    }
    store.failWrites = true;
    EXPECT_EQ(config(store, {"set", "gap", "4"}).status, 1);
}

}  // namespace
}  // namespace quenda
