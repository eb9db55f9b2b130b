#pragma once

#include <QString>

namespace quenda {

// Whether the program starts with the user's session.
class LoginItem {
  public:
    virtual ~LoginItem() = default;
    virtual bool isEnabled() = 0;
    // Turns it on or off; false with a one-line reason in `error` when the change could not
    // be made (the state is then whatever `isEnabled` reads).
    virtual bool setEnabled(bool enabled, QString* error) = 0;
};

}  // namespace quenda
