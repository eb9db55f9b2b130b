#pragma once

#include <QString>

namespace quenda {

// Handing files to the user's own applications, as the desktop's file manager would.
class DesktopOpener {
  public:
    virtual ~DesktopOpener() = default;
    // Opens the file with the application the user prefers for its kind (a text editor for a
    // JSON file); false when no such application could be started.
    virtual bool open(const QString& path) = 0;
    // Shows the file in the file manager (its folder, at least); false when that could not be
    // started either.
    virtual bool reveal(const QString& path) = 0;
};

}  // namespace quenda
