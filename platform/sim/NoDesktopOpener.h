#pragma once

#include "platform/ports/DesktopOpener.h"

namespace quenda {

// A desktop that opens and shows nothing, for tests whose subject never gets that far.
struct NoDesktopOpener : DesktopOpener {
    bool open(const QString&) override { return false; }
    bool reveal(const QString&) override { return false; }
};

}  // namespace quenda
