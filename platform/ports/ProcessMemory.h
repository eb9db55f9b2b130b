#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace quenda {

// How much memory applications use: each process's private memory (what it alone keeps in
// memory or in swap), in MiB, with the processes it started added in. Read away from the
// main thread.
class ProcessMemory {
  public:
    virtual ~ProcessMemory() = default;

    // Reads the footprint of each application process; `done` gets, on the main thread, the
    // figure of every process that could be read (another user's process, or one that has
    // ended, is left out). A child process that is itself one of `pids` counts for itself
    // only.
    virtual void read(const std::vector<int32_t>& pids,
                      std::function<void(std::map<int32_t, double>)> done) = 0;
};

}  // namespace quenda
