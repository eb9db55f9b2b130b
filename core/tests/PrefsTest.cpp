#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "core/AppPaths.h"
#include "core/Prefs.h"
#include "core/SettingsTable.h"
#include "platform/sim/SimDefaults.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

TEST(Prefs, DefaultsApplyToAbsentAndMistypedValues) {
    SimDefaults store;
    Prefs prefs(store);
    EXPECT_EQ(prefs.gap(), 8);
    EXPECT_TRUE(prefs.broadcastEnter());
    EXPECT_EQ(prefs.cornerButtonMode(), 2);
    EXPECT_EQ(prefs.cornerButtonPosition(), 0);

    store.setValue("gap", QStringLiteral("12"));  // text, not an integer
    store.setValue("broadcastEnter", int64_t{0});
    store.setValue("cornerButtonMode", 1.5);
    store.setValue("cornerButtonPosition", true);
    EXPECT_EQ(prefs.gap(), 8);
    EXPECT_TRUE(prefs.broadcastEnter());
    EXPECT_EQ(prefs.cornerButtonMode(), 2);
    EXPECT_EQ(prefs.cornerButtonPosition(), 0);

    store.setValue("gap", int64_t{16});
    store.setValue("broadcastEnter", false);
    store.setValue("cornerButtonMode", int64_t{0});
    store.setValue("cornerButtonPosition", int64_t{1});
    EXPECT_EQ(prefs.gap(), 16);
    EXPECT_FALSE(prefs.broadcastEnter());
    EXPECT_EQ(prefs.cornerButtonMode(), 0);
    EXPECT_EQ(prefs.cornerButtonPosition(), 1);
}

TEST(Prefs, StoreReadersGiveFalseZeroOrNothing) {
    SimDefaults store;
    Prefs prefs(store);
    EXPECT_FALSE(prefs.boolValue("relayReturn"));
    EXPECT_EQ(prefs.integer("groupSize"), 0);
    EXPECT_FALSE(prefs.string("templateID"));
    EXPECT_FALSE(prefs.data("workspace.1"));
    store.setValue("templateID", int64_t{3});
    store.setValue("workspace.1", QStringLiteral("[]"));
    EXPECT_FALSE(prefs.string("templateID"));
    EXPECT_FALSE(prefs.data("workspace.1"));
    store.setValue("templateID", QStringLiteral("tpl"));
    store.setValue("workspace.1", QByteArray("[]"));
    EXPECT_EQ(prefs.string("templateID"), QStringLiteral("tpl"));
    EXPECT_EQ(prefs.data("workspace.1"), QByteArray("[]"));
}

TEST(SettingsTable, KnowsEveryKeyWithItsType) {
    EXPECT_EQ(findSetting("gap")->type, SettingType::Integer);
    EXPECT_EQ(findSetting("customHotKeys.v1")->type, SettingType::Data);
    EXPECT_EQ(findSetting("workspace.3")->type, SettingType::Data);
    EXPECT_FALSE(findSetting("workspace.4"));
    EXPECT_TRUE(valueHasType(int64_t{8}, SettingType::Integer));
    EXPECT_FALSE(valueHasType(8.0, SettingType::Integer));
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
