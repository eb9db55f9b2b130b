// A window title another program wrote as compound text: decoding never reads past its
// bytes, ends, gives at most one UTF-16 unit per byte, and keeps no control but tab and
// newline.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/x11/CompoundText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray raw = quenda::fuzz::bytes(data, size);
    const QString text = quenda::x11::decodeCompoundText(raw);
    FUZZ_CHECK(text.size() <= raw.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        FUZZ_CHECK(u >= 0x20 || u == u'\t' || u == u'\n');
        FUZZ_CHECK(u < 0x7F || u >= 0xA0);
    }
    return 0;
}
