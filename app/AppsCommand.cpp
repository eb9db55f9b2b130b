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
            out << QStringLiteral("%1  %2  %3  %4\n")
                       .arg(a.pid, 7)
                       .arg(policyName(a.activationPolicy), -9)
                       .arg(a.bundleIdentifier.value_or(QStringLiteral("-")), -24)
                       .arg(a.localizedName.value_or(QStringLiteral("-")));
        }
    }
    if (json) out << QJsonDocument(array).toJson(QJsonDocument::Indented);
}

}  // namespace quenda
