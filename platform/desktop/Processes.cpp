#include "platform/desktop/Processes.h"

#include <signal.h>

#include <cerrno>

#include <QFile>

namespace quenda {

namespace {
constexpr qint64 kMaxEnvironmentBytes = 1 << 20;  // the kernel's own limit is far lower

QByteArray readProc(int32_t pid, const char* file, qint64 max) {
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(file)));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.read(max);
}
}  // namespace

bool processIsGone(int32_t pid) {
    if (pid <= 0) return true;
    if (::kill(pid, 0) != 0 && errno == ESRCH) return true;
    // "pid (comm) S ...": the state follows the last parenthesis, as comm may hold any.
    const QByteArray stat = readProc(pid, "stat", 4096);
    if (stat.isEmpty()) return !QFile::exists(QStringLiteral("/proc/%1").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.mid(close + 2, 1) == "Z";
}

QString processName(int32_t pid) {
    if (pid <= 0) return {};
    return QString::fromLocal8Bit(readProc(pid, "comm", 256)).trimmed();
}

std::optional<QString> processEnvironmentValue(int32_t pid, const QString& name) {
    if (pid <= 0) return std::nullopt;
    const QByteArray prefix = name.toLocal8Bit() + '=';
    for (const QByteArray& entry : readProc(pid, "environ", kMaxEnvironmentBytes).split('\0')) {
        if (entry.startsWith(prefix)) return QString::fromLocal8Bit(entry.mid(prefix.size()));
    }
    return std::nullopt;
}

}  // namespace quenda
