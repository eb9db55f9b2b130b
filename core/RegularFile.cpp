#include "core/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <QFile>

namespace quenda {

RegularFileRead readRegularFileChecked(const QString& path, qint64 maxBytes) {
    using Status = RegularFileRead::Status;
    const QByteArray name = QFile::encodeName(path);
    // Non-blocking, so opening a pipe returns at once; the type is checked on what was
    // opened, so nothing can be swapped in between the check and the read.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR) {
            // A link that leads nowhere is not "nothing there": writing would create
            // whatever it names.
            struct stat link {};
            return {::lstat(name.constData(), &link) == 0 ? Status::NotRegular : Status::Missing,
                    {}};
        }
        // A pipe or socket that cannot be opened is still not a file.
        struct stat info {};
        if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode))
            return {Status::NotRegular, {}};
        return {Status::Unreadable, {}};
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return {Status::Unreadable, {}};
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return {Status::NotRegular, {}};
    }
    if (info.st_size > maxBytes) {
        ::close(fd);
        return {Status::TooLarge, {}};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {Status::Unreadable, {}};
    }
    // Read in pieces for what the file holds: asking for the limit at once would reserve the
    // limit (half a gigabyte for the clipboard history) whatever the file's size. One byte
    // past the limit tells a file that grew since fstat from one that fits.
    QByteArray contents;
    qint64 want = info.st_size + 1;
    while (contents.size() <= maxBytes) {
        const qint64 ask = std::min(want, maxBytes + 1 - contents.size());
        const QByteArray piece = file.read(ask);
        contents += piece;
        if (piece.size() < ask) break;  // the end of the file
        want = 64 * 1024;
    }
    if (contents.size() > maxBytes) return {Status::TooLarge, {}};
    if (file.error() != QFileDevice::NoError) return {Status::Unreadable, {}};
    return {Status::Read, contents};
}

std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes) {
    RegularFileRead read = readRegularFileChecked(path, maxBytes);
    if (read.status != RegularFileRead::Status::Read) return std::nullopt;
    return std::move(read.contents);
}

}  // namespace quenda
