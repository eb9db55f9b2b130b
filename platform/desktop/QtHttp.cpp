#include "platform/desktop/QtHttp.h"

#include <memory>

#include <QFile>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

namespace quenda {

namespace {

// The system's certificate authorities, plus those OpenSSL's own variables name
// (SSL_CERT_FILE, SSL_CERT_DIR), as OpenSSL's tools trust them: Qt reads the system's
// folders only.
QSslConfiguration tlsConfiguration() {
    QSslConfiguration c = QSslConfiguration::defaultConfiguration();
    const QString file = qEnvironmentVariable("SSL_CERT_FILE");
    if (!file.isEmpty())
        c.addCaCertificates(file, QSsl::Pem, QSslCertificate::PatternSyntax::FixedString);
    const QString dir = qEnvironmentVariable("SSL_CERT_DIR");
    for (const QString& d : dir.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        c.addCaCertificates(d + QStringLiteral("/*"), QSsl::Pem,
                            QSslCertificate::PatternSyntax::Wildcard);
    return c;
}

QNetworkRequest request(const QUrl& url, double idleTimeout) {
    static const QSslConfiguration tls = tlsConfiguration();
    QNetworkRequest r(url);
    r.setSslConfiguration(tls);
    r.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    r.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    r.setRawHeader("Cache-Control", "no-store");
    r.setTransferTimeout(int(idleTimeout * 1000));
    return r;
}

// The outcome of a finished reply: an HTTP answer whatever its status, else the transport's
// error, or `abortReason` when this side ended the transfer.
HttpOutcome outcomeOf(QNetworkReply* reply, const QString& abortReason) {
    HttpOutcome o;
    if (!abortReason.isEmpty()) {
        o.error =
            HttpOutcome::TransportError{int(QNetworkReply::OperationCanceledError), abortReason};
        return o;
    }
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    // A transfer that broke after the headers (the connection dropped, a timeout) is the
    // transport's failure, whatever status came first; errors from 200 up are the answer's.
    const int error = int(reply->error());
    if (error > 0 && error < 200) {
        o.error = HttpOutcome::TransportError{error, reply->errorString()};
        return o;
    }
    if (status.isValid()) {
        o.isHttp = true;
        o.status = status.toInt();
        return o;
    }
    if (reply->error() != QNetworkReply::NoError)
        o.error = HttpOutcome::TransportError{int(reply->error()), reply->errorString()};
    return o;
}

}  // namespace

QtHttp::QtHttp() {
    manager_.setCache(nullptr);
}

void QtHttp::get(const QUrl& url, double idleTimeout, std::function<void(HttpResponse)> done) {
    QNetworkReply* reply = manager_.get(request(url, idleTimeout));
    auto abortReason = std::make_shared<QString>();
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, abortReason] {
        if (reply->bytesAvailable() > kMaxBodyBytes) {
            *abortReason = QStringLiteral("the answer is too large");
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, abortReason, done] {
        HttpResponse r;
        r.outcome = outcomeOf(reply, *abortReason);
        if (!r.outcome.error) r.body = reply->readAll();
        reply->deleteLater();
        done(std::move(r));
    });
}

void QtHttp::download(const QUrl& url, const QString& path, qint64 maxBytes, double idleTimeout,
                      std::function<void(HttpDownload)> done) {
    auto file = std::make_shared<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        HttpDownload d;
        d.outcome.error = HttpOutcome::TransportError{int(file->error()), file->errorString()};
        return done(d);
    }
    QNetworkReply* reply = manager_.get(request(url, idleTimeout));
    auto abortReason = std::make_shared<QString>();
    auto bytes = std::make_shared<qint64>(0);
    QObject::connect(reply, &QNetworkReply::readyRead, reply,
                     [reply, file, abortReason, bytes, maxBytes] {
                         if (!abortReason->isEmpty()) return;
                         const QByteArray chunk = reply->readAll();
                         *bytes += chunk.size();
                         if (*bytes > maxBytes) {
                             *abortReason = QStringLiteral("the download is too large");
                         } else if (file->write(chunk) != chunk.size()) {
                             *abortReason = file->errorString();
                         }
                         if (!abortReason->isEmpty()) reply->abort();
                     });
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, file, abortReason, bytes, done] {
                         if (abortReason->isEmpty()) {
                             const QByteArray rest = reply->readAll();
                             *bytes += rest.size();
                             if (file->write(rest) != rest.size() || !file->flush())
                                 *abortReason = file->errorString();
                         }
                         file->close();
                         HttpDownload d;
                         d.outcome = outcomeOf(reply, *abortReason);
                         d.bytes = *bytes;
                         reply->deleteLater();
                         done(d);
                     });
}

}  // namespace quenda
