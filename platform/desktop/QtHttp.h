#pragma once

#include <QNetworkAccessManager>

#include "platform/ports/Http.h"

namespace quenda {

// The updater's HTTPS through Qt's network module: no cache in either direction, TLS checked
// against the system's trust store and the authorities that OpenSSL's SSL_CERT_FILE and
// SSL_CERT_DIR name, and
// redirects followed only when they stay as safe. Main thread only.
class QtHttp final : public Http {
  public:
    QtHttp();
    void get(const QUrl& url, double idleTimeout, std::function<void(HttpResponse)> done) override;
    void download(const QUrl& url, const QString& path, qint64 maxBytes, double idleTimeout,
                  std::function<void(HttpDownload)> done) override;

    // The most a manifest may weigh.
    static constexpr qint64 kMaxBodyBytes = 1 << 20;

  private:
    QNetworkAccessManager manager_;
};

}  // namespace quenda
