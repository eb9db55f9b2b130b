#pragma once

#include <QString>

namespace quenda {

// Where per-user application data lives on this desktop.
class UserFolders {
  public:
    virtual ~UserFolders() = default;
    // The user-domain folder that applications keep their support files in.
    virtual QString applicationSupport() = 0;
};

}  // namespace quenda
