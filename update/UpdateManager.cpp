#include "update/UpdateManager.h"

#include <QDir>
#include <QFileInfo>
#include <QUuid>

namespace quenda {

UpdateManager::UpdateManager(Services services, Config config)
    : s_(services), config_(std::move(config)), installation_(config_.installRoot) {}

UpdateManager::~UpdateManager() = default;

bool UpdateManager::installsItself() const {
    return installation_.manages(config_.executable);
}

void UpdateManager::check(std::function<void(CheckResult)> done) {
    // A feed given by the environment is still only read over https: the host it names is
    // the one releases may come from.
    if (config_.feed.scheme() != QLatin1String("https"))
        return done(UpdateError::own(UpdateError::unofficialUrl, s_.l10n, config_.feed.toString()));
    std::weak_ptr<char> alive = alive_;
    s_.http.get(config_.feed, kFeedTimeout, [this, alive, done](HttpResponse r) {
        if (!alive.lock()) return;
        const auto& o = r.outcome;
        if (o.error)
            return done(
                UpdateError::system(QStringLiteral("network"), o.error->code, o.error->text));
        if (!o.isHttp) return done(UpdateError::make(0, s_.l10n));
        if (o.status != 200 || r.body.isEmpty()) return done(UpdateError::make(o.status, s_.l10n));
        auto parsed = Manifest::parse(r.body);
        if (const auto* why = std::get_if<QString>(&parsed)) {
            return done(UpdateError{QStringLiteral("json"), 0,
                                    s_.l10n.t(QStringLiteral("updates_error_manifest")), *why});
        }
        const Manifest m = std::get<Manifest>(std::move(parsed));
        if (!update_rules::verifyManifestSignature(m, config_.publicKeyBase64))
            return done(UpdateError::own(UpdateError::badManifestSignature, s_.l10n));
        if (update_rules::isNewer(m, config_.running) && newerThanInstalled(m)) return done(m);
        done(UpToDate{});
    });
}

void UpdateManager::downloadAndInstall(const Manifest& manifest,
                                       std::function<void(std::optional<UpdateError>)> done) {
    const auto fail = [&](UpdateError::Code code, QString detail = {}) {
        done(UpdateError::own(code, s_.l10n, std::move(detail)));
    };
    if (installing_) return fail(UpdateError::installRunning);
    if (!installsItself()) return fail(UpdateError::managedElsewhere, config_.executable);
    // Everything the manifest says is taken only from a signed one, and never an older one.
    if (!update_rules::verifyManifestSignature(manifest, config_.publicKeyBase64))
        return fail(UpdateError::badManifestSignature);
    if (!update_rules::isNewer(manifest, config_.running) || !newerThanInstalled(manifest))
        return fail(UpdateError::notNewer);
    if (!update_rules::isOfficialUrl(manifest.dmgUrl, config_.feed))
        return fail(UpdateError::unofficialUrl, manifest.dmgUrl);
    if (!Installation::folderName(manifest.version, manifest.build))
        return fail(UpdateError::installFailed, QStringLiteral("unusable version text"));

    // One install at a time, in this process and across processes (the tray and the command
    // line). A lock whose process died is taken over.
    auto lock = std::make_shared<QLockFile>(installation_.lockFile());
    lock->setStaleLockTime(0);
    QDir().mkpath(installation_.root());
    if (!lock->tryLock(0)) return fail(UpdateError::installRunning);
    lock_ = std::move(lock);
    installing_ = true;

    installation_.clearStaging();
    const QString work =
        QDir(installation_.staging()).filePath(QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (!QDir().mkpath(work)) {
        return finishInstall(UpdateError::own(UpdateError::installFailed, s_.l10n,
                                              QStringLiteral("cannot create ") + work),
                             done);
    }
    const QString archive = QDir(work).filePath(QStringLiteral("release.tar"));
    std::weak_ptr<char> alive = alive_;
    s_.http.download(
        QUrl(manifest.dmgUrl), archive, config_.maxDownloadBytes, kDownloadTimeout,
        [this, alive, done, manifest, archive, work](HttpDownload d) {
            if (!alive.lock()) return;
            if (d.outcome.error) {
                return finishInstall(
                    UpdateError::system(QStringLiteral("network"), d.outcome.error->code,
                                        d.outcome.error->text),
                    done);
            }
            if (d.bytes <= 0 || !QFileInfo(archive).isFile())
                return finishInstall(UpdateError::own(UpdateError::emptyDownload, s_.l10n), done);
            auto result = std::make_shared<std::optional<UpdateError>>();
            // Hashing, unpacking and checking the release take a while: off the main thread.
            // Only copies of what it needs go with it.
            s_.worker.run(
                [result, manifest, archive, work, installation = installation_, lock = lock_,
                 key = config_.publicKeyBase64, limits = config_.limits,
                 executable = config_.executable, &unpacker = s_.unpacker, &l10n = s_.l10n] {
                    const auto digest = update_rules::sha256OfFile(archive);
                    if (!digest) {
                        *result = UpdateError::own(UpdateError::emptyDownload, l10n);
                    } else if (!update_rules::sameDigest(*digest, manifest.sha256)) {
                        *result = UpdateError::own(UpdateError::digestMismatch, l10n,
                                                   QStringLiteral("got ") + *digest);
                    } else {
                        *result =
                            installation.install(archive, work, manifest.version, manifest.build,
                                                 key, unpacker, limits, executable, l10n);
                    }
                    installation.clearStaging();
                },
                [this, alive, result, done] {
                    if (!alive.lock()) return;
                    finishInstall(*result, done);
                });
        });
}

// Newer than the release `current` names too (a copy that has not restarted since an
// earlier update runs an older one); true for a copy that is not installed this way.
bool UpdateManager::newerThanInstalled(const Manifest& m) const {
    if (!installsItself()) return true;
    const auto installed = installation_.currentVersion();
    return !installed || update_rules::isNewer(m, *installed);
}

void UpdateManager::finishInstall(std::optional<UpdateError> error,
                                  const std::function<void(std::optional<UpdateError>)>& done) {
    if (error) installation_.clearStaging();
    installing_ = false;
    lock_.reset();
    done(std::move(error));
}

}  // namespace quenda
