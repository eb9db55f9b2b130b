#include "core/SmallFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace quenda {

std::optional<QByteArray> readSmallRegularFile(const QString& path, qint64 maxBytes) {
    const QByteArray name = QFile::encodeName(path);
    // Opened without blocking, and the type checked on what was opened, so nothing can be
    // swapped in between the check and the read.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > maxBytes) {
        ::close(fd);
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    // The file may have grown since it was measured.
    QByteArray contents = file.read(maxBytes + 1);
    if (contents.size() > maxBytes || file.error() != QFileDevice::NoError) return std::nullopt;
    return contents;
}

}  // namespace quenda
