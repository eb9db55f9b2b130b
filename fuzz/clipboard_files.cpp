// A file list another program put on the clipboard, as text/uri-list and as
// x-special/gnome-copied-files: every path kept is absolute, and a kept list spelled again
// reads back the same.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/x11/clipboard/ClipboardFormats.h"

using namespace quenda::x11::clipboard;
namespace fuzz = quenda::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray body = fuzz::bytes(data, size);
    for (const auto& paths : {filesFromUriList(body), filesFromGnomeCopiedFiles(body)}) {
        for (const QString& p : paths) FUZZ_CHECK(p.startsWith(QLatin1Char('/')));
        FUZZ_CHECK(filesFromUriList(uriList(paths)) == paths);
        FUZZ_CHECK(filesFromGnomeCopiedFiles(gnomeCopiedFiles(paths)) == paths);
    }
    return 0;
}
