#pragma once

#include <QStringList>
#include <QTextStream>

namespace quenda {

// `quenda action ID`: runs one command in the running instance over the session bus.
// 0 done; 1 no running instance or no bus; 2 bad usage or an unknown identifier.
int runActionCommand(const QStringList& args, QTextStream& out, QTextStream& err);

}  // namespace quenda
