#include "update/Ed25519.h"

#include <memory>

#include <openssl/evp.h>

namespace quenda::ed25519 {

namespace {

struct PkeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct MdCtxFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct PkeyCtxFree {
    void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using MdCtx = std::unique_ptr<EVP_MD_CTX, MdCtxFree>;

const unsigned char* bytes(const QByteArray& a) {
    return reinterpret_cast<const unsigned char*>(a.constData());
}

}  // namespace

std::optional<QByteArray> decodeBase64(const QString& text) {
    const auto result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    // toLatin1 turns what is not Latin-1 into '?', which the strict decoder refuses.
    if (!result) return std::nullopt;
    return result.decoded;
}

std::optional<QByteArray> decodeLooseBase64(const QString& text) {
    QString s = text.trimmed();
    s.replace(QLatin1Char('-'), QLatin1Char('+'));
    s.replace(QLatin1Char('_'), QLatin1Char('/'));
    while (s.size() % 4 != 0) s.append(QLatin1Char('='));
    return decodeBase64(s);
}

bool verify(const QByteArray& publicKey, const QByteArray& message, const QByteArray& signature) {
    if (publicKey.size() != kPublicKeyBytes || signature.size() != kSignatureBytes) return false;
    const Pkey key(EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr, bytes(publicKey),
                                               size_t(publicKey.size())));
    if (!key) return false;
    const MdCtx ctx(EVP_MD_CTX_new());
    if (!ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(), bytes(signature), size_t(signature.size()), bytes(message),
                            size_t(message.size())) == 1;
}

KeyPair generateKeyPair() {
    KeyPair pair;
    std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr));
    EVP_PKEY* raw = nullptr;
    if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_keygen(ctx.get(), &raw) != 1)
        return pair;
    const Pkey key(raw);
    size_t len = kPublicKeyBytes;
    pair.privateKey.resize(kPublicKeyBytes);
    pair.publicKey.resize(kPublicKeyBytes);
    EVP_PKEY_get_raw_private_key(key.get(),
                                 reinterpret_cast<unsigned char*>(pair.privateKey.data()), &len);
    len = kPublicKeyBytes;
    EVP_PKEY_get_raw_public_key(key.get(), reinterpret_cast<unsigned char*>(pair.publicKey.data()),
                                &len);
    return pair;
}

QByteArray sign(const QByteArray& privateKey, const QByteArray& message) {
    const Pkey key(EVP_PKEY_new_raw_private_key(EVP_PKEY_ED25519, nullptr, bytes(privateKey),
                                                size_t(privateKey.size())));
    const MdCtx ctx(EVP_MD_CTX_new());
    if (!key || !ctx || EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return {};
    QByteArray signature(kSignatureBytes, '\0');
    size_t len = size_t(signature.size());
    if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &len,
                       bytes(message), size_t(message.size())) != 1)
        return {};
    signature.resize(qsizetype(len));
    return signature;
}

}  // namespace quenda::ed25519
