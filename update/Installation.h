#pragma once

#include <optional>

#include <QString>

#include "core/L10n.h"
#include "platform/ports/ArchiveUnpacker.h"
#include "update/UpdateError.h"
#include "update/UpdateRules.h"

namespace quenda {

// A copy of the program installed in the user's data folder:
//
//   <root>/versions/<version>-<build>/bin/quenda   one folder per installed release
//   <root>/current -> versions/<version>-<build>   the one that runs
//   <root>/staging/                                 work of the install under way
//
// An update unpacks and checks a release in the staging folder, moves it into versions/ and
// then switches `current` with one rename, so whatever moment an install stops at, `current`
// names a complete release. The release it replaced stays until the next update succeeds.
class Installation {
  public:
    explicit Installation(QString root) : root_(std::move(root)) {}

    QString root() const { return root_; }
    QString versions() const;
    QString current() const;
    QString staging() const;
    QString lockFile() const;

    // The version folder's name for a release; nothing when the version cannot name a
    // folder (it must be letters, digits, ".", "_", "+", "~" or "-", not starting with ".").
    static std::optional<QString> folderName(const QString& version, qint64 build);

    // Whether the program at `executable` runs from one of this installation's version
    // folders: only such a copy updates itself.
    bool manages(const QString& executable) const;

    // The version folder `current` names, if it names one.
    std::optional<QString> currentFolderName() const;
    // The release `current` names, read from its folder's name ("<version>-<build>").
    std::optional<RunningVersion> currentVersion() const;
    static std::optional<RunningVersion> versionOfFolder(const QString& folder);

    // Unpacks the archive in `work` (a fresh folder under staging), checks it as the release
    // of `version` and `build` signed with the key, and makes it current. Runs off the main
    // thread; the caller holds the install lock. Nothing on success.
    std::optional<UpdateError> install(const QString& archive, const QString& work,
                                       const QString& version, qint64 build,
                                       const QString& publicKeyBase64, ArchiveUnpacker& unpacker,
                                       const UnpackLimits& limits, const QString& executable,
                                       const L10n& l10n) const;

    // Removes what interrupted installs left in the staging folder. Only with the lock held.
    void clearStaging() const;

  private:
    void prune(const QString& keep1, const QString& keep2, const QString& keep3) const;

    QString root_;
};

}  // namespace quenda
