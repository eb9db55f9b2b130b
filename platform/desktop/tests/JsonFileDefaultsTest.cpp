#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/desktop/JsonFileDefaults.h"

namespace quenda {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct Store : ::testing::Test {
    QTemporaryDir dir;
    QString path = dir.filePath("Quenda/defaults.json");
};

TEST_F(Store, EveryTypeRoundTripsThroughTheFile) {
    const QByteArray binary("\xff\x00\x01", 3);
    {
        JsonFileDefaults store(path);
        EXPECT_FALSE(store.value("gap"));
        ASSERT_TRUE(store.setValue("gap", int64_t{12}));
        ASSERT_TRUE(store.setValue("stageManagerInset", true));
        ASSERT_TRUE(store.setValue("ratio", 0.25));
        ASSERT_TRUE(store.setValue("templateID", QStringLiteral("ñandú")));
        ASSERT_TRUE(store.setValue("customHotKeys.v1", QByteArray(R"({"win.left":{"k":123}})")));
        ASSERT_TRUE(store.setValue("blob", binary));
    }
    JsonFileDefaults again(path);
    EXPECT_EQ(again.value("gap"), DefaultsValue(int64_t{12}));
    EXPECT_EQ(again.value("stageManagerInset"), DefaultsValue(true));
    EXPECT_EQ(again.value("ratio"), DefaultsValue(0.25));
    EXPECT_EQ(again.value("templateID"), DefaultsValue(QStringLiteral("ñandú")));
    EXPECT_EQ(again.value("customHotKeys.v1"),
              DefaultsValue(QByteArray(R"({"win.left":{"k":123}})")));
    EXPECT_EQ(again.value("blob"), DefaultsValue(binary));
    EXPECT_TRUE(again.remove("gap"));
    EXPECT_FALSE(JsonFileDefaults(path).value("gap"));
}

TEST_F(Store, DamagedOrHostileFilesReadAsEmptyAndAreKeptAside) {
    const QByteArray cases[] = {"not json", "[1,2,3]", "", "{\"gap\": ", "\"text\"", "null"};
    for (const QByteArray& bytes : cases) {
        QDir().mkpath(dir.filePath("Quenda"));
        writeAll(path, bytes);
        JsonFileDefaults store(path);
        EXPECT_FALSE(store.value("gap")) << bytes.constData();
        EXPECT_TRUE(store.keys().isEmpty());
        EXPECT_EQ(readAll(path), bytes) << "a read must not rewrite the file";
        ASSERT_TRUE(store.setValue("gap", int64_t{4}));
        EXPECT_EQ(readAll(path + ".damaged"), bytes);
        EXPECT_EQ(JsonFileDefaults(path).value("gap"), DefaultsValue(int64_t{4}));
        QFile::remove(path);
    }
}

TEST_F(Store, ValuesOfUnknownShapeReadAsAbsentAndSurviveRewrites) {
    QDir().mkpath(dir.filePath("Quenda"));
    writeAll(path, R"({"a": [1], "b": null, "c": {"x": 1}, "d": {"$base64": "%%"}, "gap": 8})");
    JsonFileDefaults store(path);
    for (const char* key : {"a", "b", "c", "d"}) EXPECT_FALSE(store.value(key)) << key;
    EXPECT_EQ(store.value("gap"), DefaultsValue(int64_t{8}));
    ASSERT_TRUE(store.setValue("relayReturn", true));
    const QByteArray after = readAll(path);
    EXPECT_TRUE(after.contains("\"a\"") && after.contains("\"c\""));
}

TEST_F(Store, WritesOnlyWhenAValueChanges) {
    JsonFileDefaults store(path);
    ASSERT_TRUE(store.setValue("gap", int64_t{8}));
    // An atomic rewrite replaces the file, so its inode tells whether one happened.
    const auto inode = [&] {
        struct stat st {};
        ::stat(QFile::encodeName(path).constData(), &st);
        return st.st_ino;
    };
    const auto before = inode();
    EXPECT_TRUE(store.setValue("gap", int64_t{8}));
    EXPECT_TRUE(store.remove("absent"));
    EXPECT_EQ(inode(), before);
    ASSERT_TRUE(store.setValue("gap", int64_t{12}));
    EXPECT_NE(inode(), before);
}

TEST_F(Store, SeesChangesMadeByAnotherProcess) {
    JsonFileDefaults running(path);
    ASSERT_TRUE(running.setValue("gap", int64_t{8}));
    EXPECT_EQ(running.value("gap"), DefaultsValue(int64_t{8}));
    JsonFileDefaults commandLine(path);
    ASSERT_TRUE(commandLine.setValue("gap", int64_t{24}));
    EXPECT_EQ(running.value("gap"), DefaultsValue(int64_t{24}));
    // A write by the running instance keeps what the other process wrote.
    ASSERT_TRUE(commandLine.setValue("groupSize", int64_t{3}));
    ASSERT_TRUE(running.setValue("relayReturn", true));
    EXPECT_EQ(JsonFileDefaults(path).value("groupSize"), DefaultsValue(int64_t{3}));
}

TEST_F(Store, AnUnwritableLocationFailsTheWrite) {
    writeAll(dir.filePath("Quenda"), "a file where the folder should be");
    JsonFileDefaults store(path);
    EXPECT_FALSE(store.setValue("gap", int64_t{4}));
    EXPECT_FALSE(store.value("gap"));
}

}  // namespace
}  // namespace quenda
