#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "platform/ports/ProcessMemory.h"

namespace quenda {

// Process memory as /proc tells it. A process's footprint is its private memory: the
// anonymous memory it maps plus what of it is in swap, each shared page counted in
// proportion (Pss_Anon + SwapPss of smaps_rollup). smaps_rollup needs the right to trace the
// process; without it, /proc/PID/status, which anyone may read, gives RssAnon + VmSwap.
class ProcFsMemory final : public ProcessMemory {
  public:
    // `procRoot` is where /proc is mounted (tests give a folder of their own).
    explicit ProcFsMemory(QString procRoot = QStringLiteral("/proc"));
    ~ProcFsMemory() override;

    void read(const std::vector<int32_t>& pids,
              std::function<void(std::map<int32_t, double>)> done) override;

    // The same reading, on the calling thread.
    std::map<int32_t, double> readNow(const std::vector<int32_t>& pids) const;
    // One process alone, in KiB; nothing when it cannot be read.
    std::optional<uint64_t> footprintKiB(int32_t pid) const;

    // Pss_Anon + SwapPss of an smaps_rollup text, in KiB; nothing when Pss_Anon is missing.
    static std::optional<uint64_t> fromSmapsRollup(const QByteArray& text);
    // RssAnon + VmSwap of a status text, in KiB; nothing when RssAnon is missing.
    static std::optional<uint64_t> fromStatus(const QByteArray& text);
    // The parent of a process, from the text of /proc/PID/stat.
    static std::optional<int32_t> parentFromStat(const QByteArray& text);

  private:
    struct Shared;
    QString root_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace quenda
