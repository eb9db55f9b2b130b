#pragma once

#include <functional>
#include <optional>

#include <QByteArray>
#include <QString>
#include <QUrl>

namespace quenda {

// What a transfer ended with. A transport failure (no connection, TLS refused, timed out)
// carries the transport's own code and text; otherwise `isHttp` says whether the answer was
// HTTP at all, with its status.
struct HttpOutcome {
    struct TransportError {
        int code = 0;
        QString text;
    };
    std::optional<TransportError> error;
    bool isHttp = false;
    int status = 0;
};

struct HttpResponse {
    HttpOutcome outcome;
    QByteArray body;
};

struct HttpDownload {
    HttpOutcome outcome;
    // Bytes written to the file; the file exists only when the transfer started.
    qint64 bytes = 0;
};

// HTTPS for the updater: never cached, the certificate checked by the system's trust store.
// Completions run on the main thread. `idleTimeout` ends a transfer that stays silent that
// long (seconds).
class Http {
  public:
    virtual ~Http() = default;
    // The whole body in memory, with the header "Cache-Control: no-store".
    virtual void get(const QUrl& url, double idleTimeout,
                     std::function<void(HttpResponse)> done) = 0;
    // Streams the body into `path` (created or truncated); a body longer than `maxBytes` ends
    // the transfer with a transport error.
    virtual void download(const QUrl& url, const QString& path, qint64 maxBytes, double idleTimeout,
                          std::function<void(HttpDownload)> done) = 0;
};

}  // namespace quenda
