// A stored workspace slot: a decoded slot has finite frames, at most the limit's windows, and
// reads back the same once written.
#include <cmath>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "workspaces/SavedWindow.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kLimit = 64;
    bool tooLarge = false;
    const auto windows = decodeSavedWindows(fuzz::bytes(data, size), kLimit, &tooLarge);
    if (!windows) return 0;
    FUZZ_CHECK(!tooLarge && windows->size() <= kLimit);
    for (const SavedWindow& w : *windows) {
        FUZZ_CHECK(std::isfinite(w.frame.x) && std::isfinite(w.frame.y) &&
                   std::isfinite(w.frame.width) && std::isfinite(w.frame.height));
    }
    const auto encoded = encodeSavedWindows(*windows);
    FUZZ_CHECK(encoded.has_value());
    const auto again = decodeSavedWindows(*encoded);
    FUZZ_CHECK(again && *again == *windows);
    return 0;
}
