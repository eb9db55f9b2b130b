#pragma once

#include "platform/ports/UserFolders.h"

namespace quenda {

// Application data under $XDG_DATA_HOME (usually ~/.local/share).
class XdgUserFolders final : public UserFolders {
  public:
    QString applicationSupport() override;
};

}  // namespace quenda
