#pragma once

#include <optional>

#include <QString>

namespace quenda {

// What an archive may hold before it is refused.
struct UnpackLimits {
    qint64 maxTotalBytes = qint64(1) << 30;  // bytes of all files together, as written
    int maxEntries = 20000;
};

// Unpacks a compressed tar archive into a folder that must not exist yet. It refuses absolute
// paths, ".." components, links that lead outside the folder, hard links, device files,
// FIFOs and sockets, and archives that expand beyond the limits. Safe to call from any
// thread.
class ArchiveUnpacker {
  public:
    virtual ~ArchiveUnpacker() = default;
    // Nothing on success, else why the archive was refused or could not be written. On
    // failure the folder may hold part of the archive; the caller removes it.
    virtual std::optional<QString> unpack(const QString& archive, const QString& folder,
                                          const UnpackLimits& limits) = 0;
};

}  // namespace quenda
