#pragma once

#include <QTextStream>

#include "core/AX.h"

namespace quenda {

// `quenda windows [--json]`: the visible windows front to back, exactly as tiling sees them,
// with pid, application name, title and outer frame.
void printWindows(const AX& ax, bool json, QTextStream& out);

}  // namespace quenda
