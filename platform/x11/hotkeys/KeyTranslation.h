#pragma once

#include <cstdint>
#include <optional>

#include "platform/ports/HotKeyRegistrar.h"

namespace quenda::x11 {

// The one table from the stored, platform-neutral key codes (US key positions) to X keysyms.
// Nothing for a code that has no key here.
std::optional<uint32_t> keysymForKeyCode(uint32_t keyCode);
// The other way: the key code of an unshifted keysym; nothing for a key the table lacks.
std::optional<uint32_t> keyCodeForKeysym(uint32_t keysym);

// A shortcut's modifier keys as the X core modifier mask: Control, Mod1 (Alt), Shift and
// Mod4 (Super).
uint16_t x11Modifiers(KeyModifiers modifiers);

}  // namespace quenda::x11
