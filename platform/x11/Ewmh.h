#pragma once

#include <cstdint>

namespace quenda::x11 {

// Numbers of the EWMH protocol that Quenda's requests carry, named once.

// Source indication of client messages: we act for the user, as a pager does, so managers
// honour restacking and activation they would refuse an application.
inline constexpr uint32_t kSourcePager = 2;

// _NET_WM_DESKTOP of a window shown on every desktop.
inline constexpr uint32_t kAllDesktops = 0xFFFFFFFFu;

// The action of a _NET_WM_STATE request.
inline constexpr uint32_t kStateRemove = 0;
inline constexpr uint32_t kStateAdd = 1;

// The first data word of _NET_MOVERESIZE_WINDOW: gravity in bits 0-7, which of x, y, width
// and height to apply in bits 8-11, the source indication from bit 12.
namespace moveresize {
inline constexpr uint32_t kX = 1u << 8;
inline constexpr uint32_t kY = 1u << 9;
inline constexpr uint32_t kWidth = 1u << 10;
inline constexpr uint32_t kHeight = 1u << 11;
inline constexpr uint32_t kSourceShift = 12;
}  // namespace moveresize

}  // namespace quenda::x11
