#include <gtest/gtest.h>

#include <limits>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "core/AppPaths.h"
#include "core/Prefs.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

TEST(Prefs, ReadsTheStoredValueOnlyWhenTheSettingAcceptsIt) {
    SimDefaults store;
    Prefs prefs(store);
    EXPECT_EQ(prefs.get(settings::gap), 8);
    EXPECT_TRUE(prefs.get(settings::broadcastEnter));
    EXPECT_FALSE(prefs.get(settings::relayReturn));
    EXPECT_EQ(prefs.get(settings::groupSize), 0);
    EXPECT_EQ(prefs.get(settings::cornerButtonMode), 2);
    EXPECT_EQ(prefs.get(settings::cornerButtonPosition), 0);
    EXPECT_EQ(prefs.get(settings::templateID), QStringLiteral("none"));

    // A value of another type, or one the setting's rule refuses, reads as the default.
    const struct {
        const char* key;
        DefaultsValue stored;
    } unusable[] = {
        {"gap", QStringLiteral("12")},    {"gap", 12.0},
        {"broadcastEnter", int64_t{0}},   {"relayReturn", QStringLiteral("true")},
        {"groupSize", QByteArray("3")},   {"cornerButtonMode", 1.5},
        {"cornerButtonMode", int64_t{3}}, {"cornerButtonMode", int64_t{-1}},
        {"cornerButtonPosition", true},   {"cornerButtonPosition", int64_t{2}},
        {"templateID", int64_t{3}},
    };
    for (const auto& c : unusable) store.setValue(c.key, c.stored);
    EXPECT_EQ(prefs.get(settings::gap), 8);
    EXPECT_TRUE(prefs.get(settings::broadcastEnter));
    EXPECT_FALSE(prefs.get(settings::relayReturn));
    EXPECT_EQ(prefs.get(settings::groupSize), 0);
    EXPECT_EQ(prefs.get(settings::cornerButtonMode), 2);
    EXPECT_EQ(prefs.get(settings::cornerButtonPosition), 0);
    EXPECT_EQ(prefs.get(settings::templateID), QStringLiteral("none"));

    store.setValue("gap", int64_t{24});
    store.setValue("broadcastEnter", false);
    store.setValue("groupSize", int64_t{-3});
    store.setValue("cornerButtonMode", int64_t{0});
    store.setValue("cornerButtonPosition", int64_t{1});
    store.setValue("templateID", QStringLiteral("tpl"));
    EXPECT_EQ(prefs.get(settings::gap), 24);
    EXPECT_FALSE(prefs.get(settings::broadcastEnter));
    EXPECT_EQ(prefs.get(settings::groupSize), -3);
    EXPECT_EQ(prefs.get(settings::cornerButtonMode), 0);
    EXPECT_EQ(prefs.get(settings::cornerButtonPosition), 1);
    EXPECT_EQ(prefs.get(settings::templateID), QStringLiteral("tpl"));
}

TEST(Prefs, DataSettingsReadAsNothingUnlessStoredAsDataTheirRuleTakes) {
    const struct {
        const Setting<QByteArray>& setting;
        std::optional<DefaultsValue> stored;
        std::optional<QByteArray> read;
    } cases[] = {
        {settings::customHotKeys, std::nullopt, std::nullopt},
        {settings::customHotKeys, QByteArray("{}"), QByteArray("{}")},
        {settings::customHotKeys, QStringLiteral("{}"), std::nullopt},  // text, not data
        {settings::customHotKeys, QByteArray("[]"), std::nullopt},
        {settings::customHotKeys, QByteArray("{\"a\":"), std::nullopt},
        {settings::workspace1, QByteArray("[]"), QByteArray("[]")},
        {settings::workspace2, QByteArray("{}"), QByteArray("{}")},  // decoded by its owner
        {settings::workspace3, QByteArray("not json"), QByteArray("not json")},
        {settings::workspace3, QStringLiteral("[]"), std::nullopt},
    };
    for (const auto& c : cases) {
        SimDefaults store;
        if (c.stored) store.setValue(c.setting.name(), *c.stored);
        EXPECT_EQ(Prefs(store).get(c.setting), c.read) << c.setting.key;
    }
}

// A ranged setting reads a stored value outside its range as the nearest bound, not as the
// default: a gap of 1000 would push windows off screen, -40 would make frames larger than it.
TEST(Prefs, ARangedSettingClampsAStoredValueToItsBounds) {
    const struct {
        int64_t stored, read;
    } cases[] = {
        {0, 0},
        {64, 64},
        {65, 64},
        {1000, 64},
        {-1, 0},
        {-40, 0},
        {std::numeric_limits<int64_t>::max(), 64},
        {std::numeric_limits<int64_t>::min(), 0},
    };
    for (const auto& c : cases) {
        SimDefaults store;
        Prefs prefs(store);
        store.setValue("gap", c.stored);
        EXPECT_EQ(prefs.get(settings::gap), c.read) << c.stored;
        EXPECT_EQ(AnySetting(&settings::gap).read(c.stored), DefaultsValue(c.read)) << c.stored;
        EXPECT_EQ(prefs.set(settings::gap, c.stored), c.stored == c.read) << c.stored;
    }
    // A rule without a nearest value still reads a refused value as the default.
    EXPECT_FALSE(AnySetting(&settings::cornerButtonMode).read(int64_t{7}));
    EXPECT_FALSE(AnySetting(&settings::gap).read(QStringLiteral("12")));
}

TEST(Prefs, WritesOnlyWhatTheSettingAccepts) {
    SimDefaults store;
    Prefs prefs(store);
    EXPECT_TRUE(prefs.set(settings::groupSize, 3));
    EXPECT_EQ(store.value("groupSize"), DefaultsValue(int64_t{3}));
    EXPECT_TRUE(prefs.set(settings::templateID, QStringLiteral("ñandú")));
    EXPECT_EQ(store.value("templateID"), DefaultsValue(QStringLiteral("ñandú")));
    EXPECT_TRUE(prefs.set(settings::workspaceSlot(2), QByteArray("[]")));
    EXPECT_EQ(store.value("workspace.2"), DefaultsValue(QByteArray("[]")));

    EXPECT_TRUE(prefs.set(settings::cornerButtonMode, 1));
    EXPECT_FALSE(prefs.set(settings::cornerButtonMode, 3));
    EXPECT_FALSE(prefs.set(settings::customHotKeys, QByteArray("[]")));
    EXPECT_EQ(store.value("cornerButtonMode"), DefaultsValue(int64_t{1}));
    EXPECT_FALSE(store.value("customHotKeys.v1"));

    EXPECT_TRUE(prefs.remove(settings::groupSize));
    EXPECT_FALSE(store.value("groupSize"));
    store.failWrites = true;
    EXPECT_FALSE(prefs.set(settings::gap, 4));
    EXPECT_EQ(prefs.get(settings::gap), 8);
}

TEST(Settings, WorkspaceSlotsAreTheirOwnSettings) {
    EXPECT_EQ(settings::workspaceSlot(1).name(), "workspace.1");
    EXPECT_EQ(settings::workspaceSlot(2).name(), "workspace.2");
    EXPECT_EQ(settings::workspaceSlot(3).name(), "workspace.3");
    EXPECT_EQ(&settings::workspaceSlot(3), &settings::workspace3);
    EXPECT_THROW(settings::workspaceSlot(0), std::out_of_range);
    EXPECT_THROW(settings::workspaceSlot(4), std::out_of_range);
}

TEST(Settings, TheListIsEveryDeclaredSettingOnceAndReadmeDocumentsIt) {
    const auto read = [](const char* path) {
        QFile file(QStringLiteral(QUENDA_SOURCE_DIR "/") + QLatin1String(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
        return QString::fromUtf8(file.readAll());
    };
    // Every descriptor declared in the header, by the key it is declared with.
    QStringList declared;
    const QRegularExpression descriptor(
        QStringLiteral(R"(constexpr\s+Setting<[^>]+>\s+\w+\s*\{\s*\.key\s*=\s*"([^"]+)\")"));
    for (const auto& m : descriptor.globalMatch(read("core/Settings.h"))) declared << m.captured(1);
    QStringList listed;
    for (const AnySetting& s : settings::all) listed << s.name();
    EXPECT_EQ(listed, declared);
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()).size(), listed.size());

    const QString readme = read("README.md");
    for (const QString& key : listed) {
        EXPECT_TRUE(readme.contains(QLatin1Char('`') + key + QLatin1Char('`')))
            << key.toStdString();
        EXPECT_EQ(settings::find(key)->name(), key);
    }
    EXPECT_FALSE(settings::find(QStringLiteral("workspace.4")));
}

TEST(Settings, TypeAndRuleSayWhatAValueMustBe) {
    const AnySetting mode = &settings::cornerButtonMode;
    EXPECT_EQ(mode.type(), SettingType::Integer);
    EXPECT_TRUE(mode.accepts(int64_t{2}));
    EXPECT_FALSE(mode.accepts(int64_t{3}));
    EXPECT_TRUE(mode.hasType(int64_t{3}));
    EXPECT_FALSE(mode.hasType(2.0));
    EXPECT_EQ(mode.fallback(), DefaultsValue(int64_t{2}));
    EXPECT_EQ(mode.expects(), "an integer: 0 (never), 1 (on hover) or 2 (always)");

    const AnySetting hotKeys = &settings::customHotKeys;
    EXPECT_EQ(hotKeys.type(), SettingType::Data);
    EXPECT_FALSE(hotKeys.fallback());
    EXPECT_EQ(hotKeys.expects(), "JSON text: a JSON object");
    EXPECT_EQ(AnySetting(&settings::templateID).fallback(), DefaultsValue(QStringLiteral("none")));
    EXPECT_EQ(AnySetting(&settings::gap).expects(), "an integer: 0 to 64");
}

TEST(AppPaths, CreatesTheFolderOnEveryAccess) {
    QTemporaryDir home;
    struct Folders : UserFolders {
        QString root;
        QString applicationSupport() override { return root; }
    } folders;
    folders.root = home.filePath("share");  // not there yet: created with its parents
    AppPaths paths(folders);

    const QString first = paths.sub("estante");
    EXPECT_EQ(first, home.filePath("share/Quenda/estante"));
    EXPECT_TRUE(QDir(first).exists());
    EXPECT_EQ(paths.sub("estante"), first);

    QDir(first).removeRecursively();
    EXPECT_EQ(paths.sub("estante"), first);
    EXPECT_TRUE(QDir(first).exists());
    EXPECT_EQ(paths.support(), home.filePath("share/Quenda"));
}

TEST(AppPaths, GivesTheLocationEvenWhenItCannotBeCreated) {
    QTemporaryDir home;
    QFile blocker(home.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    struct Folders : UserFolders {
        QString root;
        QString applicationSupport() override { return root; }
    } folders;
    folders.root = home.filePath("file");  // a file where the folder should be
    AppPaths paths(folders);
    EXPECT_EQ(paths.sub("imagenes"), home.filePath("file/Quenda/imagenes"));
    EXPECT_FALSE(QDir(paths.sub("imagenes")).exists());
}

}  // namespace
}  // namespace quenda
