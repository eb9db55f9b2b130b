#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <QByteArray>
#include <QDir>
#include <QString>

// What every fuzz target shares: the input as bytes, a check that stops the run on a broken
// promise (libFuzzer counts the abort as a crash and keeps the input), and one scratch file
// for the loaders that read from a path.
namespace quenda::fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// A folder of this process's own, in memory where the system has /dev/shm (a file rewritten on
// disk costs a flush per input), removed by nobody: every run writes the same few names in it
// again.
inline const QString& scratchFolder() {
    static const QString folder = [] {
        const QByteArray base =
            access("/dev/shm", W_OK) == 0 ? QByteArray("/dev/shm") : QDir::tempPath().toLocal8Bit();
        QByteArray templ = base + "/quenda-fuzz-XXXXXX";
        if (!mkdtemp(templ.data())) std::abort();
        std::atexit([] { QDir(scratchFolder()).removeRecursively(); });
        return QString::fromLocal8Bit(templ);
    }();
    return folder;
}

// Replaces the file `name` in the scratch folder with `content`; its path.
inline QString writeScratch(const QString& name, const uint8_t* data, size_t size) {
    const QString path = scratchFolder() + QLatin1Char('/') + name;
    const QByteArray local = path.toLocal8Bit();
    const int fd = ::open(local.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += size_t(n);
    }
    ::close(fd);
    return path;
}

}  // namespace quenda::fuzz
