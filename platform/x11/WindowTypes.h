#pragma once

#include <cstdint>

#include "platform/ports/WindowServer.h"

#include "platform/x11/Atoms.h"
#include "platform/x11/ClientInfo.h"

namespace quenda::x11 {

// Layers of the window list: ordinary windows (normal, dialog, utility, or no type) are 0;
// the rest sit above them as the window layer expects of panels and the like.
inline constexpr int64_t kNormalLayer = 0;
inline constexpr int64_t kFloatingLayer = 3;
inline constexpr int64_t kDockLayer = 20;
inline constexpr int64_t kNotificationLayer = 23;

// The first type in the window's list that we know decides; a window of no known type is
// normal, or a dialog when it is transient for another.
int64_t layerOf(const ClientInfo& c, const Atoms& a);
WindowRole roleOf(const ClientInfo& c, const Atoms& a);
// A desktop window (the wallpaper with icons) is no window of the list at all.
bool isDesktopWindow(const ClientInfo& c, const Atoms& a);

}  // namespace quenda::x11
