#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quenda {

// The contents of a regular file of at most `maxBytes`, or nothing. Anything else put where
// a file is expected (a pipe, a device, a link to either) is refused without blocking: such
// a file would otherwise stop the program until some writer came along.
std::optional<QByteArray> readRegularFile(const QString& path, qint64 maxBytes);

}  // namespace quenda
