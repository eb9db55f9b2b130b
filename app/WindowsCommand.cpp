#include "app/WindowsCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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
            out << QStringLiteral("%1  %2  %3,%4 %5x%6  %7\n")
                       .arg(v.window.pid(), 7)
                       .arg(app, -16)
                       .arg(f.x)
                       .arg(f.y)
                       .arg(f.width)
                       .arg(f.height)
                       .arg(title);
        }
    }
    if (json) out << QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace quenda
