#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "update/Ed25519.h"
#include "update/Manifest.h"
#include "update/UpdateRules.h"
#include "update/tests/UpdateTestSupport.h"

namespace quenda {
namespace {

using update_rules::compareVersion;

const char* const kUrl = "https://quenda.moorlake.com/releases/quenda-1.4.2.tar.gz";

Manifest example() {
    Manifest m;
    m.version = "1.4.2";
    m.build = 57;
    m.dmgUrl = kUrl;
    m.sha256 = "ab12";
    return m;
}

TEST(ManifestTest, CanonicalMessageJoinsTheSignedFieldsAsDecoded) {
    EXPECT_EQ(example().canonicalMessage(), QByteArray("1.4.2|57|") + kUrl + "|ab12");
    Manifest m = example();
    m.version = QString::fromUtf8("1.4.2-ñ");
    m.notes = "not part of it";
    EXPECT_EQ(m.canonicalMessage(), QByteArray("1.4.2-\xc3\xb1|57|") + kUrl + "|ab12");
}

TEST(ManifestTest, ParsesRequiredAndOptionalKeys) {
    const auto parsed = Manifest::parse(R"({"version":"1.4.2","build":57,"dmg_url":"u",
        "sha256":"AB","signature":"s","notes":"n","min_macos":"13.0","extra":1})");
    ASSERT_TRUE(std::holds_alternative<Manifest>(parsed));
    const auto& m = std::get<Manifest>(parsed);
    EXPECT_EQ(m.version, "1.4.2");
    EXPECT_EQ(m.build, 57);
    EXPECT_EQ(m.dmgUrl, "u");
    EXPECT_EQ(m.sha256, "AB");
    EXPECT_EQ(m.signature, "s");
    EXPECT_EQ(m.notes, "n");
    EXPECT_EQ(m.minMacos, "13.0");
}

TEST(ManifestTest, RefusesWhatIsNotAManifest) {
    const char* const bad[] = {
        "",
        "not json",
        "[1,2]",
        R"({"build":57,"dmg_url":"u","sha256":"a","signature":"s"})",
        R"({"version":"1","dmg_url":"u","sha256":"a","signature":"s"})",
        R"({"version":"1","build":57,"sha256":"a","signature":"s"})",
        R"({"version":"1","build":57,"dmg_url":"u","signature":"s"})",
        R"({"version":"1","build":57,"dmg_url":"u","sha256":"a"})",
        R"({"version":1,"build":57,"dmg_url":"u","sha256":"a","signature":"s"})",
        R"({"version":"1","build":"57","dmg_url":"u","sha256":"a","signature":"s"})",
        R"({"version":"1","build":57.5,"dmg_url":"u","sha256":"a","signature":"s"})",
        R"({"version":"1","build":1e300,"dmg_url":"u","sha256":"a","signature":"s"})",
        R"({"version":"1","build":57,"dmg_url":"u","sha256":"a","signature":"s","notes":3})",
        R"({"version":"1","build":57,"dmg_url":"u","sha256":"a","signature":"s")",
    };
    for (const char* json : bad) {
        EXPECT_TRUE(std::holds_alternative<QString>(Manifest::parse(json))) << json;
    }
}

TEST(VersionTest, ComparesDottedNumbers) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"1.2", "1.2.0", 0},   {"1.10", "1.9", 1},
        {"1.9", "1.10", -1},   {"1.beta.3", "1.3", 0},
        {"2", "10", -1},       {"1..2", "1.2", 0},
        {"", "0", 0},          {"0.0.1", "", 1},
        {"1.2.3", "1.2.3", 0}, {"007", "7", 0},
        {"1.2.x", "1.2", 0},   {"1.2-rc1", "1.1", -1},
        {"1. 2", "1", 0},      {"99999999999999999999", "1", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareVersion(c.a, c.b), c.expected) << c.a << " vs " << c.b;
    }
}

TEST(VersionTest, NewerByVersionOrBySameVersionAndHigherBuild) {
    struct Case {
        const char* version;
        qint64 build;
        bool newer;
    };
    const RunningVersion running{"1.4.2", 57};
    const Case cases[] = {
        {"1.4.2", 58, true},  {"1.4.2", 57, false},   {"1.4.2", 3, false}, {"1.4.3", 1, true},
        {"1.4.1", 99, false}, {"1.4.2.0", 99, false}, {"1.10", 1, true},
    };
    for (const auto& c : cases) {
        Manifest m = example();
        m.version = c.version;
        m.build = c.build;
        EXPECT_EQ(update_rules::isNewer(m, running), c.newer) << c.version << " " << c.build;
    }
}

class SignatureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        keys = ed25519::generateKeyPair();
        ASSERT_EQ(keys.publicKey.size(), 32);
        key = test::base64(keys.publicKey);
        signed_ = example();
        test::signManifest(signed_, keys.privateKey);
    }
    ed25519::KeyPair keys;
    QString key;
    Manifest signed_;
};

TEST_F(SignatureTest, AcceptsTheSignatureInEveryBase64Form) {
    const QByteArray raw = *ed25519::decodeBase64(signed_.signature);
    QString urlSafe = QString::fromLatin1(
        raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
    ASSERT_FALSE(urlSafe.endsWith('='));
    const QString forms[] = {
        signed_.signature,
        urlSafe,
        QString::fromLatin1(raw.toBase64(QByteArray::OmitTrailingEquals)),
        "  \n" + signed_.signature + "\r\n\t",
    };
    for (const QString& form : forms) {
        Manifest m = signed_;
        m.signature = form;
        EXPECT_TRUE(update_rules::verifyManifestSignature(m, key)) << form.toStdString();
    }
}

TEST_F(SignatureTest, UnsignedFieldsMayChangeSignedOnesMayNot) {
    Manifest m = signed_;
    m.notes = "otras notas";
    m.minMacos = "99";
    EXPECT_TRUE(update_rules::verifyManifestSignature(m, key));

    const std::function<void(Manifest&)> changes[] = {
        [](Manifest& x) { x.version = "1.4.3"; },
        [](Manifest& x) { x.build = 58; },
        [](Manifest& x) { x.dmgUrl += "?"; },
        [](Manifest& x) { x.sha256 = "AB12"; },
    };
    for (const auto& change : changes) {
        Manifest changed = signed_;
        change(changed);
        EXPECT_FALSE(update_rules::verifyManifestSignature(changed, key));
    }
}

TEST_F(SignatureTest, RefusesKeysAndSignaturesThatDoNotDecode) {
    const QByteArray raw = *ed25519::decodeBase64(signed_.signature);
    const QString badSignatures[] = {
        "",
        test::base64(raw.left(63)),
        test::base64(raw + "x"),
        "not base64 at all!",
        signed_.signature.left(signed_.signature.size() - 4) + "@@@@",
    };
    for (const QString& s : badSignatures) {
        Manifest m = signed_;
        m.signature = s;
        EXPECT_FALSE(update_rules::verifyManifestSignature(m, key)) << s.toStdString();
    }
    const QString badKeys[] = {"",
                               "garbage\x01",
                               test::base64(keys.publicKey.left(31)),
                               key.left(42),
                               test::base64(ed25519::generateKeyPair().publicKey),
                               QString::fromUtf8("añ") + key};
    for (const QString& k : badKeys) {
        EXPECT_FALSE(update_rules::verifyManifestSignature(signed_, k)) << k.toStdString();
    }
}

TEST(UrlTest, OnlyHttpsOnTheUpdateServer) {
    const QUrl feed("https://quenda.moorlake.com/api/updates/latest.json");
    struct Case {
        const char* url;
        bool official;
    };
    const Case cases[] = {
        {"https://quenda.moorlake.com/r/q.tar.gz", true},
        {"https://QUENDA.moorlake.com/r/q.tar.gz", true},
        {"https://quenda.moorlake.com:443/r/q.tar.gz", true},
        {"http://quenda.moorlake.com/r/q.tar.gz", false},
        {"https://evil.example/r/q.tar.gz", false},
        {"https://quenda.moorlake.com.evil.example/q", false},
        {"https://quenda.moorlake.com:8443/q", false},
        {"ftp://quenda.moorlake.com/q", false},
        {"file:///etc/passwd", false},
        {"quenda.moorlake.com/q", false},
        {"", false},
        {"https://", false},
        {"https://quenda moorlake.com/q", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(update_rules::isOfficialUrl(c.url, feed), c.official) << c.url;
    }
}

TEST(DigestTest, ComparesWithoutRegardToCase) {
    QTemporaryDir dir;
    QFile f(dir.filePath("x"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    const auto digest = update_rules::sha256OfFile(f.fileName());
    ASSERT_TRUE(digest);
    EXPECT_EQ(*digest, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_TRUE(update_rules::sameDigest(*digest, digest->toUpper()));
    EXPECT_FALSE(update_rules::sameDigest(*digest, digest->left(63)));
    EXPECT_FALSE(update_rules::sha256OfFile(dir.filePath("missing")));
}

}  // namespace
}  // namespace quenda
