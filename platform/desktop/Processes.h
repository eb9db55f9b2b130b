#pragma once

#include <cstdint>
#include <optional>

#include <QString>

namespace quenda {

// What Linux tells anyone about a process, from /proc and kill(2).

// The process is gone: no such process, or a zombie waiting for its parent to reap it.
bool processIsGone(int32_t pid);
// The short program name the kernel keeps (/proc/PID/comm); empty when unreadable.
QString processName(int32_t pid);
// One variable of the environment the process started with; nothing when it has none or
// the environment is not ours to read (another user's process).
std::optional<QString> processEnvironmentValue(int32_t pid, const QString& name);

}  // namespace quenda
