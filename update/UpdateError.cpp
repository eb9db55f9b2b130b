#include "update/UpdateError.h"

namespace quenda {

QString UpdateError::key(Code code) {
    switch (code) {
        case feedUnavailable:
            return QStringLiteral("updates_error_feed");
        case badManifestSignature:
            return QStringLiteral("updates_error_signature");
        case unofficialUrl:
            return QStringLiteral("updates_error_url");
        case emptyDownload:
            return QStringLiteral("updates_error_empty_download");
        case digestMismatch:
            return QStringLiteral("updates_error_sha256");
        case unpackFailed:
            return QStringLiteral("updates_error_unpack");
        case programMissing:
            return QStringLiteral("updates_error_program_missing");
        case installFailed:
            return QStringLiteral("updates_error_install");
        case releaseFileUnreadable:
            return QStringLiteral("updates_error_release_unreadable");
        case releaseFileMismatch:
            return QStringLiteral("updates_error_release_mismatch");
        case releaseFileInvalid:
            return QStringLiteral("updates_error_release_invalid");
        case managedElsewhere:
            return QStringLiteral("updates_error_managed_elsewhere");
        case installRunning:
            return QStringLiteral("updates_error_install_running");
        case notNewer:
            return QStringLiteral("updates_error_not_newer");
    }
    return QStringLiteral("updates_error_feed");
}

UpdateError UpdateError::make(int code, const L10n& l10n, QString detail, Code described) {
    return {kDomain, code, l10n.t(key(described)), std::move(detail)};
}

}  // namespace quenda
