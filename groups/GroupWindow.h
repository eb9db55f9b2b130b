#pragma once

#include <QString>
#include <QUuid>

#include "core/AXWindow.h"

namespace quenda {

// One window in a group. The record is found again by `id`; the same window gets a new
// record, with a new id, whenever the groups are rebuilt.
struct GroupWindow {
    QUuid id = QUuid::createUuid();
    AXWindow window;
    QString appName;  // the application's name when the record was made

    static constexpr const char* kUnknownApp = "App";
};

}  // namespace quenda
