#pragma once

#include <optional>

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace quenda {

// Keeps the bytes of a stored file that could not be understood beside it, before the file is
// replaced: `historial.json.damaged-20260131-142501` (local time), then `...-2`, `...-3` when
// that name is taken, so an earlier copy is never overwritten. The copy is written atomically
// and is readable by the user only, whatever the damaged file's mode was: stored files may
// hold private text. Gives the copy's path, or nothing (and `error` says why) when it could
// not be written; the caller then leaves the damaged file as it is.
std::optional<QString> keepDamagedCopy(const QString& path, const QByteArray& contents,
                                       const QDateTime& when, QString* error = nullptr);

}  // namespace quenda
