#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
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

// The copies kept aside of damaged settings files, by name.
QStringList damagedCopies(const QString& path) {
    const QFileInfo info(path);
    return QDir(info.absolutePath())
        .entryList({info.fileName() + ".damaged-*"}, QDir::Files | QDir::Hidden, QDir::Name);
}

// Every damaged file is kept under a name of its own, private to the user, even when the
// damage comes again within the same second; the defaults are said on stderr once.
TEST_F(Store, DamagedFilesReadAsEmptyAndEachIsKeptAsidePrivately) {
    const QByteArray cases[] = {"not json", "[1,2,3]", "", "{\"gap\": ", "\"text\"", "null"};
    QSet<QByteArray> kept;
    for (const QByteArray& bytes : cases) {
        QDir().mkpath(dir.filePath("Quenda"));
        writeAll(path, bytes);
        ::chmod(QFile::encodeName(path).constData(), 0644);
        JsonFileDefaults store(path);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(store.value("gap")) << bytes.constData();
        EXPECT_TRUE(store.keys().isEmpty());
        EXPECT_FALSE(store.value("groupSize"));
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        EXPECT_NE(said.find("damaged"), std::string::npos) << said;
        EXPECT_EQ(readAll(path), bytes) << "a read must not rewrite the file";

        const QStringList before = damagedCopies(path);
        ASSERT_TRUE(store.setValue("gap", int64_t{4}));
        QStringList after = damagedCopies(path);
        ASSERT_EQ(after.size(), before.size() + 1) << bytes.constData();
        for (const QString& name : before) after.removeOne(name);
        const QString copy = dir.filePath("Quenda/" + after.value(0));
        EXPECT_EQ(readAll(copy), bytes);
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(copy).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0600u) << "the source was 0644";
        kept.insert(bytes);
        EXPECT_EQ(JsonFileDefaults(path).value("gap"), DefaultsValue(int64_t{4}));
        QFile::remove(path);
    }
    // Every earlier copy is still there with its own bytes.
    QSet<QByteArray> found;
    for (const QString& name : damagedCopies(path))
        found.insert(readAll(dir.filePath("Quenda/" + name)));
    EXPECT_EQ(found, kept);
}

// A pipe, a device, a folder or a link to one where the settings file should be: reads are
// the defaults at once (never blocking in open), said once on stderr, and writes fail
// without touching what is there.
TEST_F(Store, WhatIsNotARegularFileReadsAsDefaultsAndIsNeverWritten) {
    const QString folder = dir.filePath("Quenda");
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const struct {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"a named pipe", [&] { ::mkfifo(QFile::encodeName(path).constData(), 0600); }},
        {"a link to a named pipe", [&] { QFile::link(fifo, path); }},
        {"a link to a device", [&] { QFile::link("/dev/null", path); }},
        {"a folder", [&] { QDir().mkpath(path); }},
        {"a link that leads nowhere", [&] { QFile::link(dir.filePath("nothing"), path); }},
    };
    for (const auto& c : cases) {
        QDir(folder).removeRecursively();
        QDir().mkpath(folder);
        c.make();
        const auto kind = [&] {
            struct stat st {};
            ::lstat(QFile::encodeName(path).constData(), &st);
            return std::pair{st.st_mode, QFileInfo(path).symLinkTarget()};
        };
        const auto before = kind();

        JsonFileDefaults store(path);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(store.value("gap")) << c.name;
        EXPECT_TRUE(store.keys().isEmpty()) << c.name;
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << c.name << ": " << said;

        EXPECT_FALSE(store.setValue("gap", int64_t{4})) << c.name;
        EXPECT_FALSE(store.remove("gap")) << c.name;
        EXPECT_TRUE(store.lastError().contains("not a regular file")) << c.name;
        EXPECT_FALSE(store.lastError().contains('\n')) << c.name;
        EXPECT_EQ(kind(), before) << c.name;
        EXPECT_TRUE(damagedCopies(path).isEmpty()) << c.name;
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

// Many writers at once, each in its own store as separate processes would be, setting keys
// of their own: with every read, change and write under the lock, none is lost.
TEST_F(Store, ConcurrentWritersLoseNothing) {
    constexpr int kWriters = 8, kKeysEach = 5, kRounds = 5;
    for (int round = 0; round < kRounds; ++round) {
        QFile::remove(path);
        std::vector<std::thread> writers;
        std::vector<int> failures(kWriters, 0);
        for (int w = 0; w < kWriters; ++w) {
            writers.emplace_back([&, w] {
                JsonFileDefaults store(path);
                for (int k = 0; k < kKeysEach; ++k) {
                    const QString key = QStringLiteral("k%1.%2").arg(w).arg(k);
                    if (!store.setValue(key, int64_t{round})) ++failures[w];
                }
            });
        }
        for (std::thread& t : writers) t.join();
        JsonFileDefaults after(path);
        for (int w = 0; w < kWriters; ++w) {
            EXPECT_EQ(failures[w], 0) << "round " << round << " writer " << w;
            for (int k = 0; k < kKeysEach; ++k) {
                EXPECT_EQ(after.value(QStringLiteral("k%1.%2").arg(w).arg(k)),
                          DefaultsValue(int64_t{round}))
                    << "round " << round << " key k" << w << "." << k;
            }
        }
    }
}

// A holder that never lets go makes a write fail after the deadline, not hang.
TEST_F(Store, AStuckLockHolderFailsTheWriteAfterTheDeadline) {
    JsonFileDefaults store(path, std::chrono::milliseconds(200));
    ASSERT_TRUE(store.setValue("gap", int64_t{4}));
    const int holder = ::open(QFile::encodeName(path + ".lock").constData(), O_RDWR);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(store.setValue("gap", int64_t{12}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_TRUE(store.lastError().contains("lock"));
    EXPECT_EQ(store.value("gap"), DefaultsValue(int64_t{4}));  // reads need no lock
    ::close(holder);
    EXPECT_TRUE(store.setValue("gap", int64_t{12}));
}

// A writer killed between writing its copy and renaming it leaves the copy; it is cleared
// once no writer holds the lock, and never while one may be mid-write.
TEST_F(Store, TemporaryCopiesOfStoppedWritesAreClearedUnderTheLock) {
    JsonFileDefaults d(path);
    ASSERT_TRUE(d.setValue("gap", DefaultsValue(int64_t{8})));
    const QString leftover = path + ".q1W2e3";
    const QString aside = path + ".damaged-20260131-142501";
    writeAll(leftover, "{");
    writeAll(aside, "{");
    {
        QFile lock(path + ".lock");
        ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
        ASSERT_EQ(::flock(lock.handle(), LOCK_EX | LOCK_NB), 0);
        EXPECT_EQ(d.removeLeftovers(), 0);  // a writer holds the lock
        EXPECT_TRUE(QFile::exists(leftover));
    }
    EXPECT_EQ(d.removeLeftovers(), 1);
    EXPECT_FALSE(QFile::exists(leftover));
    EXPECT_TRUE(QFile::exists(aside));
    EXPECT_EQ(d.value("gap"), DefaultsValue(int64_t{8}));
}

}  // namespace
}  // namespace quenda
