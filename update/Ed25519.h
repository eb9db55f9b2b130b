#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quenda::ed25519 {

inline constexpr int kPublicKeyBytes = 32;
inline constexpr int kSignatureBytes = 64;

// Base64 as signatures arrive: standard or URL-safe, with or without its "=" padding, with
// white space around it. Nothing when what is left is not Base64.
std::optional<QByteArray> decodeLooseBase64(const QString& text);
// Strict standard Base64 (the form of the public key). Nothing on any stray character.
std::optional<QByteArray> decodeBase64(const QString& text);

// Whether `signature` (64 bytes) is the Ed25519 signature of `message` by the holder of
// `publicKey` (32 raw bytes). False for keys or signatures of the wrong size.
bool verify(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature);

// Signing, for the tests of this program (releases are signed by scripts/quenda-release.py).
struct KeyPair {
    QByteArray privateKey;  // 32 raw bytes
    QByteArray publicKey;   // 32 raw bytes
};
KeyPair generateKeyPair();
QByteArray sign(const QByteArray& privateKey, const QByteArray& message);

}  // namespace quenda::ed25519
