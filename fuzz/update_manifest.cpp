// The update feed's manifest as the network delivered it: parsed, and a parsed one goes
// through every rule an update applies to it before anything is downloaded.
#include <cstdint>

#include <QUrl>

#include "fuzz/FuzzSupport.h"
#include "update/Manifest.h"
#include "update/UpdateRules.h"

using namespace quenda;
using namespace quenda::update_rules;

namespace {
int sign(int v) {
    return (v > 0) - (v < 0);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto parsed = Manifest::parse(fuzz::bytes(data, size));
    const auto* m = std::get_if<Manifest>(&parsed);
    if (!m) {
        FUZZ_CHECK(!std::get<QString>(parsed).isEmpty());
        return 0;
    }
    (void)m->canonicalMessage();
    for (const char* other : {"0", "1.2.3", "1.beta.3", "99999999999999999999"}) {
        const QString v = QString::fromLatin1(other);
        FUZZ_CHECK(sign(compareVersion(m->version, v)) == -sign(compareVersion(v, m->version)));
    }
    FUZZ_CHECK(compareVersion(m->version, m->version) == 0);
    (void)isNewer(*m, RunningVersion{});
    (void)verifyManifestSignature(*m,
                                  QStringLiteral("ay199gyKqEWZhye9MQ+tH9/RmX+q4sEq1W/mwEnZ83I="));
    (void)isOfficialUrl(
        m->dmgUrl, QUrl(QStringLiteral("https://quenda.moorlake.com/api/updates/latest.json")));
    (void)sameDigest(
        m->sha256,
        QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef"));
    return 0;
}
