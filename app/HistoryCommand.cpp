#include "app/HistoryCommand.h"

#include "app/TerminalText.h"
#include "clipboard/HistoryFile.h"

namespace quenda {

int printHistory(const QString& historyPath, bool json, const L10n& l10n, QTextStream& out,
                 QTextStream& err, const QTimeZone& zone) {
    const history::Loaded loaded = history::read(historyPath);
    if (const QString why = history::describe(loaded.state, historyPath); !why.isEmpty()) {
        err << "quenda: " << why << "\n";
        return 1;
    }
    if (json) {
        out << QString::fromUtf8(history::encode(loaded.items)) << "\n";
        return 0;
    }
    for (const ClipItem& item : loaded.items) {
        // One substitution pass, so a text holding "%3" stays as it is.
        out << QStringLiteral("%1  %2  %3  %4  %5\n")
                   .arg(kindName(item.kind).leftJustified(5),
                        item.dateTime().toTimeZone(zone).toString(
                            QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                        item.pinned ? QStringLiteral("pinned") : QStringLiteral("      "),
                        escapeForTerminal(item.sourceApp.value_or(QStringLiteral("-")))
                            .leftJustified(16),
                        escapeForTerminal(item.preview(l10n)));
    }
    return 0;
}

}  // namespace quenda
