#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <unistd.h>

#include "platform/desktop/ProcFsMemory.h"

namespace quenda {
namespace {

constexpr const char* kRollup =
    "00400000-7ffd1b3f5000 ---p 00000000 00:00 0                              [rollup]\n"
    "Rss:               11148 kB\n"
    "Pss:                6120 kB\n"
    "Pss_Anon:           5112 kB\n"
    "Pss_File:           1000 kB\n"
    "Pss_Shmem:             8 kB\n"
    "Swap:                300 kB\n"
    "SwapPss:             256 kB\n";

constexpr const char* kStatus =
    "Name:\txterm\nVmRSS:\t   11148 kB\nRssAnon:\t    4096 kB\nRssFile:\t    7052 kB\n"
    "VmSwap:\t    1024 kB\n";

TEST(ProcFsMemory, ReadsAnonymousAndSwappedMemory) {
    EXPECT_EQ(ProcFsMemory::fromSmapsRollup(kRollup), 5112u + 256u);
    EXPECT_EQ(ProcFsMemory::fromSmapsRollup("Pss_Anon: 10 kB\n"), 10u);  // no swap line
    EXPECT_EQ(ProcFsMemory::fromSmapsRollup("Rss: 10 kB\nPss: 8 kB\n"),
              std::nullopt);  // old kernel
    EXPECT_EQ(ProcFsMemory::fromSmapsRollup("Pss_Anon: lots kB\n"), std::nullopt);
    EXPECT_EQ(ProcFsMemory::fromSmapsRollup(""), std::nullopt);
    EXPECT_EQ(ProcFsMemory::fromStatus(kStatus), 4096u + 1024u);
    EXPECT_EQ(ProcFsMemory::fromStatus("Name:\tkthreadd\n"), std::nullopt);  // kernel thread
}

TEST(ProcFsMemory, FindsTheParentPastACommandWithSpacesAndParentheses) {
    EXPECT_EQ(ProcFsMemory::parentFromStat("42 (a) b) c) S 7 42 42 0"), 7);
    EXPECT_EQ(ProcFsMemory::parentFromStat("42 (xterm) S 1 42"), 1);
    EXPECT_EQ(ProcFsMemory::parentFromStat("42 xterm S 1"), std::nullopt);
    EXPECT_EQ(ProcFsMemory::parentFromStat("42 (x) S"), std::nullopt);
}

// A /proc of our own: each process with its parent and either file.
struct FakeProc {
    QTemporaryDir dir;
    void add(int pid, int parent, const QByteArray& rollup, const QByteArray& status = {}) {
        const QString folder = dir.path() + QLatin1Char('/') + QString::number(pid);
        QDir().mkpath(folder);
        write(folder + "/stat", QByteArray::number(pid) + " (p " + QByteArray::number(pid) +
                                    ") S " + QByteArray::number(parent) + " 0 0");
        if (!rollup.isNull()) write(folder + "/smaps_rollup", rollup);
        if (!status.isNull()) write(folder + "/status", status);
    }
    static void write(const QString& path, const QByteArray& text) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

TEST(ProcFsMemory, SumsAnApplicationsChildrenButNotOtherApplications) {
    FakeProc proc;
    proc.add(100, 1, "Pss_Anon: 1024 kB\n");                      // a browser
    proc.add(101, 100, "Pss_Anon: 2048 kB\nSwapPss: 1024 kB\n");  // its renderer
    proc.add(102, 101, {}, "RssAnon:\t1024 kB\n");                // a grandchild, status only
    proc.add(200, 100, "Pss_Anon: 512 kB\n");                     // an application it started
    proc.add(300, 1, {}, {});                                     // unreadable
    ProcFsMemory memory(proc.dir.path());
    const auto figures = memory.readNow({100, 200, 300, 400});
    EXPECT_EQ(figures, (std::map<int32_t, double>{{100, 5.0}, {200, 0.5}}));
}

TEST(ProcFsMemory, ReadsThisProcessAndNothingForAProcessThatEnded) {
    ProcFsMemory memory;
    EXPECT_TRUE(memory.footprintKiB(int32_t(::getpid())).has_value());
    EXPECT_EQ(memory.footprintKiB(0), std::nullopt);
    EXPECT_EQ(memory.footprintKiB(-5), std::nullopt);
    EXPECT_EQ(memory.footprintKiB(std::numeric_limits<int32_t>::max()), std::nullopt);
}

TEST(ProcFsMemory, AnswersOnTheMainThreadAndNotAfterTheReaderIsGone) {
    std::map<int32_t, double> got;
    QEventLoop loop;
    {
        ProcFsMemory memory;
        memory.read({int32_t(::getpid())}, [&](std::map<int32_t, double> figures) {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            got = std::move(figures);
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
        ASSERT_EQ(loop.exec(), 0);
    }
    EXPECT_EQ(got.size(), 1u);

    bool late = false;
    {
        ProcFsMemory memory;
        memory.read({int32_t(::getpid())}, [&](auto) { late = true; });
    }
    QThreadPool::globalInstance()->waitForDone(5000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(late);
}

}  // namespace
}  // namespace quenda
