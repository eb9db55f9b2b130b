#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/ports/HotKeyRegistrar.h"

namespace quenda {

// Shortcuts in memory. Tests read what is registered, make combinations "held by another
// client", and press keys.
class SimHotKeyRegistrar final : public HotKeyRegistrar {
  public:
    struct Registration {
        uint32_t keyCode;
        KeyModifiers modifiers;
        uint32_t id;
        friend bool operator==(const Registration&, const Registration&) = default;
    };

    int32_t registerHotKey(uint32_t keyCode, KeyModifiers modifiers, uint32_t id) override {
        attempts.push_back({keyCode, modifiers, id});
        if (taken_.contains({keyCode, modifiers})) return kTaken;
        // Like a second registration of one combination on a real desktop: refused.
        for (const auto& [other, r] : active_)
            if (r.keyCode == keyCode && r.modifiers == modifiers) return kTaken;
        active_[id] = {keyCode, modifiers, id};
        return 0;
    }
    void unregisterHotKey(uint32_t id) override { active_.erase(id); }
    void setHandler(Handler handler) override {
        handler_ = std::move(handler);
        ++handlerInstalls;
    }

    void take(uint32_t keyCode, KeyModifiers modifiers) { taken_.insert({keyCode, modifiers}); }

    // Presses the combination; true when a registration matched and a handler was there.
    bool press(uint32_t keyCode, KeyModifiers modifiers) {
        for (const auto& [id, r] : active_) {
            if (r.keyCode != keyCode || r.modifiers != modifiers) continue;
            if (!handler_) return false;
            handler_(id);
            return true;
        }
        return false;
    }
    // Delivers a raw id, as a stale event from the system would.
    void deliver(uint32_t id) {
        if (handler_) handler_(id);
    }

    // Registered now, in id order.
    std::vector<Registration> active() const {
        std::vector<Registration> out;
        for (const auto& [id, r] : active_) out.push_back(r);
        return out;
    }
    bool hasHandler() const { return bool(handler_); }

    std::vector<Registration> attempts;  // every registerHotKey call, in order
    int handlerInstalls = 0;

  private:
    std::map<uint32_t, Registration> active_;
    std::set<std::pair<uint32_t, KeyModifiers>> taken_;
    Handler handler_;
};

}  // namespace quenda
