#pragma once

#include "platform/ports/ArchiveUnpacker.h"

namespace quenda {

// Release archives read with libarchive: a tar archive, compressed or not (gzip, xz, zstd,
// bzip2). Every entry is checked before libarchive writes it, and libarchive's own guards
// against ".." and writing through links are on as well.
class LibArchiveUnpacker final : public ArchiveUnpacker {
  public:
    std::optional<QString> unpack(const QString& archive, const QString& folder,
                                  const UnpackLimits& limits) override;
};

}  // namespace quenda
