#pragma once

#include <QString>

namespace quenda {

// How long a command's short report stays on screen, in seconds: every "done", "nothing to
// do" and "not allowed" message of the window commands uses it.
inline constexpr double kMessageDuration = 1.6;

// The one way to tell the user something briefly: a short text near the bottom of the
// screen under the pointer, gone after `duration` seconds. It never takes focus.
class Hud {
  public:
    virtual ~Hud() = default;
    virtual void show(const QString& message, double duration) = 0;
};

}  // namespace quenda
