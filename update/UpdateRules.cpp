#include "update/UpdateRules.h"

#include <vector>

#include <QCryptographicHash>
#include <QFile>

#include "update/Ed25519.h"

namespace quenda::update_rules {

namespace {

// A piece as a decimal integer: an optional sign and digits only, in range.
std::optional<qint64> integer(const QString& piece) {
    int i = 0;
    if (piece.startsWith(QLatin1Char('+')) || piece.startsWith(QLatin1Char('-'))) i = 1;
    if (i == piece.size()) return std::nullopt;
    for (int j = i; j < piece.size(); ++j) {
        if (piece[j] < QLatin1Char('0') || piece[j] > QLatin1Char('9')) return std::nullopt;
    }
    bool ok = false;
    const qint64 n = piece.toLongLong(&ok);
    if (!ok) return std::nullopt;
    return n;
}

std::vector<qint64> numbers(const QString& version) {
    std::vector<qint64> out;
    for (const QString& piece : version.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        if (const auto n = integer(piece)) out.push_back(*n);
    }
    return out;
}

}  // namespace

int compareVersion(const QString& a, const QString& b) {
    const auto x = numbers(a);
    const auto y = numbers(b);
    for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
        const qint64 p = i < x.size() ? x[i] : 0;
        const qint64 q = i < y.size() ? y[i] : 0;
        if (p != q) return p > q ? 1 : -1;
    }
    return 0;
}

bool isNewer(const Manifest& m, const RunningVersion& running) {
    if (compareVersion(m.version, running.version) == 1) return true;
    return m.version == running.version && m.build > running.build;
}

bool verifyManifestSignature(const Manifest& m, const QString& publicKeyBase64) {
    const auto key = ed25519::decodeBase64(publicKeyBase64);
    const auto signature = ed25519::decodeLooseBase64(m.signature);
    if (!key || !signature) return false;
    return ed25519::verify(*key, m.canonicalMessage(), *signature);
}

bool isOfficialUrl(const QString& url, const QUrl& feed) {
    const QUrl u(url, QUrl::StrictMode);
    if (!u.isValid() || u.scheme() != QLatin1String("https") || u.host().isEmpty()) return false;
    return u.host().compare(feed.host(), Qt::CaseInsensitive) == 0 && u.port(443) == feed.port(443);
}

std::optional<QString> sha256OfFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return std::nullopt;
    return QString::fromLatin1(hash.result().toHex());
}

bool sameDigest(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace quenda::update_rules
