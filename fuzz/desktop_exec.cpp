// An Exec line alone: the bytes are the line (after the string escapes a desktop entry
// undoes), expanded with a Name and an Icon that carry characters the quoting cares about.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/desktop/DesktopExec.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DesktopEntry entry;
    entry.type = QStringLiteral("Application");
    entry.name = QStringLiteral("Edit \"%f\" $HOME");
    entry.icon = QStringLiteral("icon name`x`");
    entry.exec = unescapeDesktopString(QString::fromUtf8(fuzz::bytes(data, size)));
    const auto argv = expandExec(entry, QStringLiteral("/tmp/a b.desktop"));
    if (!argv) return 0;
    FUZZ_CHECK(!argv->isEmpty() && !argv->first().isEmpty());
    FUZZ_CHECK(!argv->first().contains(QLatin1Char('=')));
    return 0;
}
