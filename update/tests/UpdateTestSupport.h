#pragma once

#include <deque>
#include <map>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/L10n.h"
#include "platform/ports/ArchiveUnpacker.h"
#include "platform/ports/Http.h"
#include "update/Ed25519.h"
#include "update/Manifest.h"
#include "update/ReleaseFile.h"

namespace quenda::test {

// A network that answers from a table: each address gives one response or download body.
// Downloads can be held back and released later, to test what happens meanwhile.
class FakeHttp final : public Http {
  public:
    std::map<QString, HttpResponse> responses;
    std::map<QString, QByteArray> files;
    std::map<QString, HttpOutcome::TransportError> failures;
    std::vector<QString> requested;
    bool holdDownloads = false;
    std::deque<std::function<void()>> held;

    void get(const QUrl& url, double, std::function<void(HttpResponse)> done) override {
        requested.push_back(url.toString());
        const auto it = responses.find(url.toString());
        if (it == responses.end()) {
            HttpResponse r;
            r.outcome.isHttp = true;
            r.outcome.status = 404;
            return done(r);
        }
        done(it->second);
    }
    void download(const QUrl& url, const QString& path, qint64, double,
                  std::function<void(HttpDownload)> done) override {
        requested.push_back(url.toString());
        auto run = [this, url, path, done] {
            HttpDownload d;
            if (const auto f = failures.find(url.toString()); f != failures.end()) {
                d.outcome.error = f->second;
                return done(d);
            }
            d.outcome.isHttp = true;
            d.outcome.status = 200;
            QFile out(path);
            out.open(QIODevice::WriteOnly);
            d.bytes = out.write(files[url.toString()]);
            out.close();
            done(d);
        };
        if (holdDownloads)
            held.push_back(run);
        else
            run();
    }
};

// An unpacker that lays out a prepared tree, whatever the archive holds, or refuses it.
class FakeUnpacker final : public ArchiveUnpacker {
  public:
    std::map<QString, QByteArray> tree;  // path -> content
    std::optional<QString> refusal;
    int calls = 0;

    std::optional<QString> unpack(const QString&, const QString& folder,
                                  const UnpackLimits&) override {
        ++calls;
        if (refusal) return refusal;
        for (const auto& [path, content] : tree) {
            const QString full = QDir(folder).filePath(path);
            QDir().mkpath(QFileInfo(full).path());
            QFile f(full);
            f.open(QIODevice::WriteOnly);
            f.write(content);
            f.close();
            if (path == QLatin1String("bin/quenda"))
                f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
        }
        return std::nullopt;
    }
};

inline QString base64(const QByteArray& raw) {
    return QString::fromLatin1(raw.toBase64());
}

inline void signManifest(Manifest& m, const QByteArray& privateKey) {
    m.signature = base64(ed25519::sign(privateKey, m.canonicalMessage()));
}

inline QByteArray manifestJson(const Manifest& m) {
    QByteArray json = "{\"version\":\"" + m.version.toUtf8() +
                      "\",\"build\":" + QByteArray::number(m.build) + ",\"dmg_url\":\"" +
                      m.dmgUrl.toUtf8() + "\",\"sha256\":\"" + m.sha256.toUtf8() +
                      "\",\"signature\":\"" + m.signature.toUtf8() + "\"";
    if (m.notes) json += ",\"notes\":\"" + m.notes->toUtf8() + "\"";
    return json + "}";
}

// A release's files with its signed release file added.
inline std::map<QString, QByteArray> signedRelease(std::map<QString, QByteArray> files,
                                                   const QString& version, qint64 build,
                                                   const QByteArray& privateKey) {
    ReleaseFile r;
    r.version = version;
    r.build = build;
    QByteArray listing;
    for (const auto& [path, content] : files) {
        const QString digest = QString::fromLatin1(
            QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex());
        r.files[path] = digest;
        listing += ",\"" + path.toUtf8() + "\":\"" + digest.toLatin1() + "\"";
    }
    r.signature = base64(ed25519::sign(privateKey, r.signedMessage()));
    files[ReleaseFile::kPath] = "{\"version\":\"" + version.toUtf8() +
                                "\",\"build\":" + QByteArray::number(build) + ",\"signature\":\"" +
                                r.signature.toLatin1() + "\",\"files\":{" + listing.mid(1) + "}}";
    return files;
}

inline L10n testL10n() {
    return L10n::builtIn();
}

}  // namespace quenda::test
