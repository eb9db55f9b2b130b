#pragma once

#include <optional>

#include <QString>
#include <QStringList>

#include "platform/desktop/DesktopEntry.h"

namespace quenda {

// The program and its arguments that an entry's Exec line asks for, started with no files:
// quoting undone, %f %F %u %U dropped, %i as "--icon" and the Icon, %c as the Name, %k as
// `location`, %% as %, the deprecated codes gone. Nothing when the line is not a valid
// command line: empty, badly quoted, a reserved character outside quotes, an unknown field
// code, or a program name with "=" in it. Nothing here goes through a shell.
std::optional<QStringList> expandExec(const DesktopEntry& entry, const QString& location);

}  // namespace quenda
