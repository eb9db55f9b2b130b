// The clipboard history file: a decoded history reads back the same once written.
#include <cstdint>

#include "clipboard/HistoryFile.h"
#include "fuzz/FuzzSupport.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto items = history::decode(fuzz::bytes(data, size));
    if (!items) return 0;
    const auto again = history::decode(history::encode(*items));
    FUZZ_CHECK(again && *again == *items);
    return 0;
}
