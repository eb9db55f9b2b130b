#include "platform/desktop/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace quenda {

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes) {
    // Non-blocking, so opening a pipe returns at once; the type is checked on what was
    // opened, so nothing can be swapped in between the check and the read.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
    QByteArray contents = file.read(maxBytes + 1);
    if (contents.size() > maxBytes) return std::nullopt;
    return contents;
}

}  // namespace quenda
