#pragma once

#include <QString>
#include <QTextStream>
#include <QTimeZone>

#include "core/L10n.h"

namespace quenda {

// `quenda history [--json]`: the clipboard history as the store holds it (image items whose
// file is gone left out), newest first, read from the history file without a display.
// Text: one row per item with its kind, date (in `zone`), "pinned" when it is, source
// application ("-" when unknown) and preview, control characters escaped. JSON: the items
// with the keys the file stores. Returns the exit status: 0 listed (no history file lists
// nothing), 1 the file is damaged or cannot be read, said in one line on `err` and nothing
// listed.
int printHistory(const QString& historyPath, bool json, const L10n& l10n, QTextStream& out,
                 QTextStream& err, const QTimeZone& zone = QTimeZone::systemTimeZone());

}  // namespace quenda
