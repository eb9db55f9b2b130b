#pragma once

#include <QTextStream>

#include "platform/ports/Applications.h"

namespace quenda {

// `quenda apps [--json]`: the running applications in the order they started, with pid,
// identifier, name and activation policy, exactly as the application commands see them.
void printApplications(Applications& apps, bool json, QTextStream& out);

}  // namespace quenda
