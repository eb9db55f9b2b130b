#pragma once

#include <QStringList>
#include <QTextStream>

#include "platform/ports/Defaults.h"

namespace quenda {

// `quenda config list | get KEY | set KEY VALUE | unset KEY`: the settings store from the
// command line. Values are typed as the key's type says (for unknown keys: true/false are
// booleans, integers are integers, anything else is text); data values are JSON text.
// Returns the exit status: 0 done, 1 nothing to show or the store could not be written,
// 2 bad usage or a value a known key does not take (wrong type or refused by its rule).
int runConfigCommand(const QStringList& args, Defaults& store, QTextStream& out, QTextStream& err);

// How a stored value is shown on the command line.
QString formatSetting(const DefaultsValue& value);

}  // namespace quenda
