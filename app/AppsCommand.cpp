#include "app/AppsCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/TerminalText.h"

namespace quenda {

namespace {
QString kindName(ApplicationKind p) {
    switch (p) {
        case ApplicationKind::regular:
            return QStringLiteral("regular");
        case ApplicationKind::accessory:
            return QStringLiteral("accessory");
        case ApplicationKind::background:
            return QStringLiteral("background");
    }
    return {};
}

// Absent stays absent in JSON (null), so a script can tell "no identifier" from "".
QJsonValue optional(const std::optional<QString>& s) {
    return s ? QJsonValue(*s) : QJsonValue(QJsonValue::Null);
}
}  // namespace

void printApplications(Applications& apps, bool json, QTextStream& out) {
    QJsonArray array;
    for (const RunningApplication& a : apps.runningApplications()) {
        if (json) {
            array.append(QJsonObject{{QStringLiteral("pid"), a.pid},
                                     {QStringLiteral("identifier"), optional(a.identifier)},
                                     {QStringLiteral("name"), optional(a.name)},
                                     {QStringLiteral("policy"), kindName(a.kind)}});
        } else {
            // One substitution pass: a name or class may itself hold "%1". Names and
            // identifiers come from other programs, so their control characters are escaped.
            out << QStringLiteral("%1  %2  %3  %4\n")
                       .arg(QString::number(a.pid).rightJustified(7),
                            kindName(a.kind).leftJustified(9),
                            escapeForTerminal(a.identifier.value_or(QStringLiteral("-")))
                                .leftJustified(24),
                            escapeForTerminal(a.name.value_or(QStringLiteral("-"))));
        }
    }
    if (json) out << QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace quenda
