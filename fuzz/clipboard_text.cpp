// A text another program put on the clipboard, arriving in pieces of any size in UTF-8 or
// Latin-1: what is kept never exceeds the limit nor ends in half a surrogate pair, and
// blankness matches the whole text's.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/x11/clipboard/ClipboardFormats.h"

using namespace quenda::x11::clipboard;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    // The first byte picks the encoding and the limit, the second the size of the pieces.
    const auto encoding =
        (data[0] & 1) ? TextCollector::Encoding::Latin1 : TextCollector::Encoding::Utf8;
    const int maxLength = data[0] >> 1;
    const size_t piece = size_t(data[1]) + 1;
    data += 2;
    size -= 2;
    TextCollector collector(encoding, maxLength);
    for (size_t at = 0; at < size; at += piece) {
        collector.append(reinterpret_cast<const char*>(data) + at, std::min(piece, size - at));
    }
    collector.finish();
    const bool blank = collector.blank();
    const QString text = collector.take();
    FUZZ_CHECK(text.size() <= maxLength);
    FUZZ_CHECK(text.isEmpty() || !text.back().isHighSurrogate());
    // Pieces or not, the same text: the whole one decoded at once, cut at the limit.
    const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString whole = encoding == TextCollector::Encoding::Latin1 ? QString::fromLatin1(raw)
                                                                      : QString::fromUtf8(raw);
    FUZZ_CHECK(blank == whole.trimmed().isEmpty());
    FUZZ_CHECK(whole.startsWith(text));
    FUZZ_CHECK(text.size() == whole.size() || text.size() >= maxLength - 1);
    return 0;
}
