#pragma once

#include "platform/ports/SyntheticKeys.h"
#include "platform/x11/X11Connection.h"

namespace quenda::x11 {

// Key presses through the XTest extension, which the server takes as real input (X
// applications ignore sent key events). What the receiver sees held is exactly what was
// asked for: modifier keys the user still holds are released first and not pressed again
// afterwards, since pressing them again leaves them stuck once the user has let go. Keys are
// looked up in the current keyboard mapping on every press.
class X11SyntheticKeys final : public SyntheticKeys {
  public:
    explicit X11SyntheticKeys(X11Connection& x) : x_(x) {}

    void post(SyntheticKey key, KeyModifiers modifiers) override;
    // The modifier keys down right now, as the server sees them.
    KeyModifiers heldModifiers() override;
    // The server has the XTest extension; without it nothing is typed.
    bool available();

  private:
    X11Connection& x_;
    std::optional<bool> available_;
};

}  // namespace quenda::x11
