#pragma once

namespace quenda {

// Whether a compositing manager runs: only then do translucent pixels blend with what is
// below. X11 desktops (RandR, Xinerama) are one X screen, so screen 0's selection decides.
bool compositingActive();

}  // namespace quenda
