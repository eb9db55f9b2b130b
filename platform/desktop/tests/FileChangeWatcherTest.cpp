#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>

#include "platform/desktop/FileChangeWatcher.h"
#include "platform/desktop/JsonFileDefaults.h"

namespace quenda {
namespace {

// Runs the event loop until `calls` reaches `target` or five seconds have passed.
bool waitForCalls(const int& calls, int target) {
    QDeadlineTimer deadline(5000);
    while (calls < target && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return calls >= target;
}

TEST(FileChangeWatcher, SeesTheSettingsFileCreatedReplacedAndRewritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quenda/defaults.json");  // its folder does not exist yet
    int calls = 0;
    FileChangeWatcher watcher(path, [&calls] { ++calls; });

    // Another process (`quenda config set`) creates the file, then replaces it by atomic
    // renames: each is seen, so the watch follows the new file every time.
    JsonFileDefaults commandLine(path);
    for (int64_t gap : {4, 8, 12}) {
        const int before = calls;
        ASSERT_TRUE(commandLine.setValue("gap", gap));
        EXPECT_TRUE(waitForCalls(calls, before + 1)) << "gap " << gap;
    }

    // A write in place, as an editor might do it.
    const int before = calls;
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(R"({"gap": 16})");
    file.close();
    EXPECT_TRUE(waitForCalls(calls, before + 1));
    EXPECT_EQ(JsonFileDefaults(path).value("gap"), DefaultsValue(int64_t{16}));
}

}  // namespace
}  // namespace quenda
