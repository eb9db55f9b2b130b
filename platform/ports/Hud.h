#pragma once

#include <QString>

namespace quenda {

// The one way to tell the user something briefly: a short text near the bottom of the
// screen under the pointer, gone after `duration` seconds. It never takes focus.
class Hud {
  public:
    virtual ~Hud() = default;
    virtual void show(const QString& message, double duration) = 0;
};

// How long every command's message stays up, in seconds.
inline constexpr double kMessageDuration = 1.6;

}  // namespace quenda
