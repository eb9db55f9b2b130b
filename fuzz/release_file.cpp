// The release file inside an unpacked release, read from disk as an update reads it, and the
// message its signature covers.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "update/ReleaseFile.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::writeScratch(QStringLiteral("release.json"), data, size);
    const auto release = ReleaseFile::read(path);
    if (!release) return 0;
    const QByteArray message = release->signedMessage();
    // One line per file after the three of the header: no path may add or hide one.
    FUZZ_CHECK(message.count('\n') == qsizetype(3 + release->files.size()));
    return 0;
}
