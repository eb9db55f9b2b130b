// The stored shortcuts (the data of the setting customHotKeys): a decoded value holds every
// action, only valid combinations, and reads back the same once written.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "hotkeys/HotKeyPrefs.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<RejectedHotKey> rejected;
    const auto bindings = decodeHotKeys(fuzz::bytes(data, size), &rejected);
    if (!bindings) return 0;
    FUZZ_CHECK(bindings->size() == allActions().size());
    for (const auto& [action, combo] : *bindings) FUZZ_CHECK(!combo || combo->isValid());
    const auto again = decodeHotKeys(encodeHotKeys(*bindings));
    FUZZ_CHECK(again && *again == *bindings);
    return 0;
}
