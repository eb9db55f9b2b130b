#pragma once

#include <QString>

#include "platform/ports/UserFolders.h"

namespace quenda {

// The program's own folder for its stores and files, and named folders inside it. Each
// access creates the folder (with its parents) when missing, so a folder removed while the
// program runs comes back on the next use; a failure to create it is left to the caller's
// later file operation.
class AppPaths {
  public:
    explicit AppPaths(UserFolders& folders) : folders_(folders) {}
    QString support() const;
    QString sub(const QString& name) const;

  private:
    UserFolders& folders_;
};

}  // namespace quenda
