#include "platform/sim/MonitorSpec.h"

#include <QRegularExpression>

namespace quenda {

std::optional<std::vector<Rect>> parseMonitorSpec(const QString& spec) {
    static const QRegularExpression one(QStringLiteral(R"(^\s*(\d+)x(\d+)([+-]\d+)([+-]\d+)\s*$)"));
    std::vector<Rect> result;
    for (const QString& part : spec.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto m = one.match(part);
        if (!m.hasMatch()) return std::nullopt;
        result.push_back({m.captured(3).toDouble(), m.captured(4).toDouble(),
                          m.captured(1).toDouble(), m.captured(2).toDouble()});
    }
    if (result.empty()) return std::nullopt;
    return result;
}

}  // namespace quenda
