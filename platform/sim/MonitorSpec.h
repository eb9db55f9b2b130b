#pragma once

#include <optional>
#include <vector>

#include <QString>

#include "core/Geometry.h"

namespace quenda {

// "1440x900+0+0,1920x1080+1440+0": monitors in window coordinates (origin at the first
// monitor's top-left), the primary first. The virtual-desktop script reads the same string,
// so a multi-monitor case replays on both the simulated desktop and Xvfb.
std::optional<std::vector<Rect>> parseMonitorSpec(const QString& spec);

}  // namespace quenda
