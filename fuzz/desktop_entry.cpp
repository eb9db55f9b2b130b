// A desktop entry file as any package or user may have installed it, read in a few locales,
// and its Exec line expanded as a launch would.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/desktop/DesktopExec.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray content = fuzz::bytes(data, size);
    for (const char* locale : {"", "es_ES.UTF-8@euro", "sr@latin", "C"}) {
        const auto entry = parseDesktopEntry(content, QString::fromLatin1(locale));
        if (!entry) continue;
        if (const auto argv =
                expandExec(*entry, QStringLiteral("/usr/share/applications/a.desktop")))
            FUZZ_CHECK(!argv->isEmpty() && !argv->first().isEmpty());
    }
    return 0;
}
