#include <gtest/gtest.h>

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
        {"gap", "-4", 0, int64_t{-4}},
        {"gap", "abc", 2, std::nullopt},
        {"gap", "true", 2, std::nullopt},
        {"gap", "1.5", 2, std::nullopt},
        {"stageManagerInset", "true", 0, true},
        {"stageManagerInset", "1", 2, std::nullopt},
        {"templateID", "123", 0, QStringLiteral("123")},  // text keys take any text
        {"customHotKeys.v1", R"({"win.left":null})", 0, QByteArray(R"({"win.left":null})")},
        {"workspace.2", "not json", 2, std::nullopt},
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
