#include "app/WindowsCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/TerminalText.h"

namespace quenda {

void printWindows(const AX& ax, bool json, QTextStream& out) {
    const ReadBatch batch(ax.server());
    const auto windows = ax.orderedVisibleWindows();
    QJsonArray array;
    for (const VisibleWindow& v : windows) {
        const QString app = ax.server().applicationName(v.window.pid()).value_or(QString());
        const QString title = v.window.title().value_or(QString());
        const Rect& f = v.frame;
        if (json) {
            array.append(
                QJsonObject{{QStringLiteral("pid"), v.window.pid()},
                            {QStringLiteral("app"), app},
                            {QStringLiteral("title"), title},
                            {QStringLiteral("frame"), QJsonArray{f.x, f.y, f.width, f.height}}});
        } else {
            // One substitution pass, so a title or name holding "%3" stays as it is; control
            // characters are escaped so they reach the terminal as text.
            out << QStringLiteral("%1  %2  %3  %4\n")
                       .arg(QString::number(v.window.pid()).rightJustified(7),
                            escapeForTerminal(app).leftJustified(16),
                            QStringLiteral("%1,%2 %3x%4")
                                .arg(f.x)
                                .arg(f.y)
                                .arg(f.width)
                                .arg(f.height),
                            escapeForTerminal(title));
        }
    }
    if (json) out << QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace quenda
