#include "platform/desktop/ProcFsMemory.h"

#include <set>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMetaObject>
#include <QThreadPool>

namespace quenda {

namespace {

// /proc files are small; a read stops at this size whatever a file claims.
constexpr qint64 kMaxProcFile = 64 * 1024;

std::optional<QByteArray> readProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return std::nullopt;
    QByteArray text = file.read(kMaxProcFile);
    if (file.error() != QFileDevice::NoError) return std::nullopt;
    return text;
}

// The value in kB of a "Name:   1234 kB" line.
std::optional<uint64_t> field(const QByteArray& text, const QByteArray& name) {
    for (const QByteArray& line : text.split('\n')) {
        if (!line.startsWith(name) || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        const QList<QByteArray> parts = line.mid(name.size() + 1).simplified().split(' ');
        if (parts.isEmpty()) return std::nullopt;
        bool ok = false;
        const qulonglong value = parts.front().toULongLong(&ok);
        if (!ok) return std::nullopt;
        return value;
    }
    return std::nullopt;
}

}  // namespace

// Alive as long as the reader: results that come back later are dropped without it.
struct ProcFsMemory::Shared {};

ProcFsMemory::ProcFsMemory(QString procRoot)
    : root_(std::move(procRoot)), shared_(std::make_shared<Shared>()) {}

ProcFsMemory::~ProcFsMemory() = default;

std::optional<uint64_t> ProcFsMemory::fromSmapsRollup(const QByteArray& text) {
    const auto anon = field(text, "Pss_Anon");
    if (!anon) return std::nullopt;
    return *anon + field(text, "SwapPss").value_or(0);
}

std::optional<uint64_t> ProcFsMemory::fromStatus(const QByteArray& text) {
    const auto anon = field(text, "RssAnon");
    if (!anon) return std::nullopt;
    return *anon + field(text, "VmSwap").value_or(0);
}

std::optional<int32_t> ProcFsMemory::parentFromStat(const QByteArray& text) {
    // "pid (comm) state ppid ...": the command may hold spaces and parentheses, so the
    // fields are counted from the last ')'.
    const qsizetype close = text.lastIndexOf(')');
    if (close < 0) return std::nullopt;
    const QList<QByteArray> fields = text.mid(close + 1).simplified().split(' ');
    if (fields.size() < 2) return std::nullopt;
    bool ok = false;
    const int parent = fields[1].toInt(&ok);
    if (!ok) return std::nullopt;
    return parent;
}

std::optional<uint64_t> ProcFsMemory::footprintKiB(int32_t pid) const {
    if (pid <= 0) return std::nullopt;
    const QString dir = root_ + QLatin1Char('/') + QString::number(pid);
    if (const auto rollup = readProcFile(dir + QStringLiteral("/smaps_rollup"))) {
        if (const auto kib = fromSmapsRollup(*rollup)) return kib;
    }
    if (const auto status = readProcFile(dir + QStringLiteral("/status")))
        return fromStatus(*status);
    return std::nullopt;
}

std::map<int32_t, double> ProcFsMemory::readNow(const std::vector<int32_t>& pids) const {
    const std::set<int32_t> asked(pids.begin(), pids.end());
    // Every process's parent, from one pass over the process folder.
    std::map<int32_t, std::vector<int32_t>> children;
    const QStringList entries = QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : entries) {
        bool ok = false;
        const int pid = name.toInt(&ok);
        if (!ok || pid <= 0) continue;
        const auto stat = readProcFile(root_ + QLatin1Char('/') + name + QStringLiteral("/stat"));
        if (!stat) continue;
        if (const auto parent = parentFromStat(*stat)) children[*parent].push_back(pid);
    }
    std::map<int32_t, double> result;
    for (const int32_t pid : asked) {
        const auto own = footprintKiB(pid);
        if (!own) continue;
        uint64_t total = *own;
        // The processes it started, down the tree, except other applications and theirs.
        std::vector<int32_t> pending = children[pid];
        std::set<int32_t> seen{pid};
        while (!pending.empty()) {
            const int32_t child = pending.back();
            pending.pop_back();
            if (asked.count(child) || !seen.insert(child).second) continue;
            total += footprintKiB(child).value_or(0);
            const auto& more = children[child];
            pending.insert(pending.end(), more.begin(), more.end());
        }
        result[pid] = double(total) / 1024.0;
    }
    return result;
}

void ProcFsMemory::read(const std::vector<int32_t>& pids,
                        std::function<void(std::map<int32_t, double>)> done) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        done(readNow(pids));
        return;
    }
    // The answer goes back through the application object, which outlives every reader; the
    // reader's own token, checked on the main thread, drops it once the reader is gone.
    const std::weak_ptr<Shared> alive = shared_;
    QThreadPool::globalInstance()->start(
        [root = root_, pids, done = std::move(done), alive, app]() mutable {
            std::map<int32_t, double> figures = ProcFsMemory(root).readNow(pids);
            QMetaObject::invokeMethod(
                app,
                [alive, done = std::move(done), figures = std::move(figures)] {
                    if (alive.lock()) done(figures);
                },
                Qt::QueuedConnection);
        });
}

}  // namespace quenda
