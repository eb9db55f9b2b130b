// The shelf file: a decoded shelf reads back the same once written.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "shelf/ShelfFile.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto items = shelf::decode(fuzz::bytes(data, size));
    if (!items) return 0;
    const auto again = shelf::decode(shelf::encode(*items));
    FUZZ_CHECK(again && *again == *items);
    return 0;
}
