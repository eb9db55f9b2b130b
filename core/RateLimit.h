#pragma once

#include <algorithm>

namespace quenda {

// A token bucket: up to `burst` requests at once, then `perSecond` more each second. Whoever
// asks beyond that is turned away at once, so a flood costs a refusal each instead of the
// work it asks for. Times are seconds on any steady clock.
class RateLimit {
  public:
    RateLimit(double perSecond, double burst)
        : perSecond_(perSecond), burst_(burst), tokens_(burst) {}

    // Whether a request arriving at `now` may go on (and takes its token when it may).
    bool admit(double now) {
        if (started_) tokens_ = std::min(burst_, tokens_ + std::max(0.0, now - last_) * perSecond_);
        started_ = true;
        last_ = std::max(last_, now);
        if (tokens_ < 1) return false;
        tokens_ -= 1;
        return true;
    }

  private:
    double perSecond_;
    double burst_;
    double tokens_;
    double last_ = 0;
    bool started_ = false;
};

}  // namespace quenda
