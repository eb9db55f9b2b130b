#pragma once

#include <cstdint>

#include "platform/ports/HotKeyRegistrar.h"

namespace quenda {

// The keys this program types into other applications.
enum class SyntheticKey : uint8_t { c, v, returnKey, insert };

// Typing into whatever window has the keyboard focus, as if the user pressed the keys.
class SyntheticKeys {
  public:
    virtual ~SyntheticKeys() = default;
    // One full press of `key` (down, then up) that the receiver sees with exactly
    // `modifiers` held, whatever the user holds at the time.
    virtual void post(SyntheticKey key, KeyModifiers modifiers) = 0;
    // The modifier keys the user holds down right now.
    virtual KeyModifiers heldModifiers() = 0;
};

}  // namespace quenda
