#pragma once

#include <QString>

#include "core/L10n.h"

namespace quenda {

// Why an update step failed. The updater's own errors have the domain "QuendaUpdate" and one
// of the codes below (or, for the feed, the HTTP status); failures of the system beneath
// (network, files) keep the domain, code and text that system gave them. `description` is
// what the user is shown; `detail`, when there is one, says more for the command line.
struct UpdateError {
    QString domain;
    int code = 0;
    QString description;
    QString detail;

    static inline const QString kDomain = QStringLiteral("QuendaUpdate");

    enum Code {
        feedUnavailable = 0,  // or the feed's HTTP status
        badManifestSignature = 1,
        unofficialUrl = 2,
        emptyDownload = 3,
        digestMismatch = 4,
        unpackFailed = 5,
        programMissing = 6,
        installFailed = 7,
        releaseFileUnreadable = 8,
        releaseFileMismatch = 9,
        releaseFileInvalid = 10,
        managedElsewhere = 11,
        installRunning = 12,
        notNewer = 13,
    };

    // One of the updater's own errors, its text from the strings table. `code` is a Code, or
    // the HTTP status for an unavailable feed (`feedUnavailable` describes it).
    static UpdateError make(int code, const L10n& l10n, QString detail = {},
                            Code described = feedUnavailable);
    static UpdateError own(Code code, const L10n& l10n, QString detail = {}) {
        return make(code, l10n, std::move(detail), code);
    }
    static UpdateError system(QString domain, int code, QString text) {
        return {std::move(domain), code, std::move(text), {}};
    }
    // The strings table's key of an own error's text.
    static QString key(Code code);
};

}  // namespace quenda
