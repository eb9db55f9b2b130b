#pragma once

#include <cstdint>
#include <optional>

namespace quenda::x11 {

// The one table from the stored, platform-neutral key codes (US key positions) to X keysyms.
// Nothing for a code that has no key here.
std::optional<uint32_t> keysymForKeyCode(uint32_t keyCode);

// Carbon modifier bits to the X core modifier mask: control → Control, option → Mod1 (Alt),
// shift → Shift, command → Mod4 (Super). Other bits are dropped.
uint16_t x11Modifiers(uint32_t carbonModifiers);

}  // namespace quenda::x11
