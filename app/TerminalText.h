#pragma once

#include <QString>

namespace quenda {

// Text from other programs (window titles, class names) made safe to print on a terminal:
// a backslash becomes `\\`, a newline `\n`, a tab `\t`, and every other C0 or C1 control
// character and DEL becomes `\xNN`, so a title can neither send escape sequences to the
// terminal nor start a row of its own. Everything else, including non-ASCII text, is kept.
QString escapeForTerminal(const QString& text);

}  // namespace quenda
