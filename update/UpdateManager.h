#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <variant>

#include <QLockFile>
#include <QString>
#include <QUrl>

#include "core/L10n.h"
#include "platform/ports/ArchiveUnpacker.h"
#include "platform/ports/Http.h"
#include "platform/ports/Worker.h"
#include "update/Installation.h"
#include "update/Manifest.h"
#include "update/UpdateError.h"
#include "update/UpdateRules.h"

namespace quenda {

// Keeps a copy of the program installed in the user's data folder up to date from the signed
// update feed. Every step that can be checked before the installed copy is touched is
// checked first: the manifest's signature, that it is newer than the running copy, the
// download's address, its digest, the unpacked release's own signed release file. Then one
// rename makes it current (see Installation). Used on the main thread; completions run there.
class UpdateManager {
  public:
    struct Config {
        QUrl feed;
        QString publicKeyBase64;
        RunningVersion running;
        // The folder of the installation this copy may update, and the program running now.
        QString installRoot;
        QString executable;
        UnpackLimits limits;
        qint64 maxDownloadBytes = qint64(512) << 20;
    };
    struct Services {
        Http& http;
        Worker& worker;
        ArchiveUnpacker& unpacker;
        const L10n& l10n;
    };
    struct UpToDate {};
    using CheckResult = std::variant<UpToDate, Manifest, UpdateError>;

    static constexpr double kFeedTimeout = 60.0;
    static constexpr double kDownloadTimeout = 25.0;

    UpdateManager(Services services, Config config);
    ~UpdateManager();

    // Fetches and verifies the manifest: a newer release, up to date, or the error.
    void check(std::function<void(CheckResult)> done);
    // Downloads, verifies and installs a release the feed described; nothing on success.
    void downloadAndInstall(const Manifest& manifest,
                            std::function<void(std::optional<UpdateError>)> done);

    // Whether this copy updates itself: one installed in the installation's version folders.
    // Any other copy (a distribution's package, a build folder) checks, but never installs.
    bool installsItself() const;
    bool installing() const { return installing_; }
    const Config& config() const { return config_; }

  private:
    bool newerThanInstalled(const Manifest& m) const;
    void finishInstall(std::optional<UpdateError> error,
                       const std::function<void(std::optional<UpdateError>)>& done);

    Services s_;
    Config config_;
    Installation installation_;
    bool installing_ = false;
    // Shared with the work off the main thread, which holds it until it ends.
    std::shared_ptr<QLockFile> lock_;
    // Completions do nothing once the manager is gone.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
