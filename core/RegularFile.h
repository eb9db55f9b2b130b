#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quenda {

// What was found where a file was expected, and its contents when it is a readable regular
// file of at most the size asked for.
struct RegularFileRead {
    enum class Status {
        Read,        // a regular file (or a link to one): `contents` holds it
        Missing,     // nothing there
        NotRegular,  // a pipe, a device, a folder, a socket, a link to one or a dangling link
        TooLarge,    // a regular file over the size asked for
        Unreadable,  // there, but could not be opened or read (permissions, I/O)
    };
    Status status = Status::Missing;
    QByteArray contents;
};

// Reads `path` only when it is a regular file of at most `maxBytes`, without ever blocking:
// a pipe or a device put where a file is expected would otherwise stop the program until
// some writer came along.
RegularFileRead readRegularFileChecked(const QString& path, qint64 maxBytes);

// The contents of a regular file of at most `maxBytes`, or nothing for anything else.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

}  // namespace quenda
