#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quenda {

// The contents of `path` when it is a regular file (or a link to one) of at most `maxBytes`;
// nothing for anything else: missing, unreadable, too large, a folder, or a pipe or device
// put where a file was expected, which is never opened in a way that could block.
std::optional<QByteArray> readSmallRegularFile(const QString& path, qint64 maxBytes);

}  // namespace quenda
