#pragma once

#include <functional>
#include <vector>

#include "platform/ports/SyntheticKeys.h"

namespace quenda {

// Remembers every key posted, and holds whatever modifiers a test says the user holds.
class SimSyntheticKeys final : public SyntheticKeys {
  public:
    struct Press {
        SyntheticKey key;
        KeyModifiers modifiers;
        friend bool operator==(const Press&, const Press&) = default;
    };

    void post(SyntheticKey key, KeyModifiers modifiers) override {
        posted.push_back({key, modifiers});
        if (onPost) onPost(posted.back());
    }
    KeyModifiers heldModifiers() override {
        ++modifierReads;
        return held;
    }

    KeyModifiers held;
    std::vector<Press> posted;
    int modifierReads = 0;
    // Called after each post, as the receiving application would react (copying, say).
    std::function<void(const Press&)> onPost;
};

}  // namespace quenda
