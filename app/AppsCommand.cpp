#include "app/AppsCommand.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quenda {

namespace {
QString policyName(ActivationPolicy p) {
    switch (p) {
        case ActivationPolicy::regular:
            return QStringLiteral("regular");
        case ActivationPolicy::accessory:
            return QStringLiteral("accessory");
        case ActivationPolicy::prohibited:
            return QStringLiteral("prohibited");
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
                                     {QStringLiteral("identifier"), optional(a.bundleIdentifier)},
                                     {QStringLiteral("name"), optional(a.localizedName)},
                                     {QStringLiteral("policy"), policyName(a.activationPolicy)}});
        } else {
            // One substitution pass: a name or class may itself hold "%1".
            out << QStringLiteral("%1  %2  %3  %4\n")
                       .arg(QString::number(a.pid).rightJustified(7),
                            policyName(a.activationPolicy).leftJustified(9),
                            a.bundleIdentifier.value_or(QStringLiteral("-")).leftJustified(24),
                            a.localizedName.value_or(QStringLiteral("-")));
        }
    }
    if (json) out << QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace quenda
