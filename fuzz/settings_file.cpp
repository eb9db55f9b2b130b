// The settings file as any program or a damaged disk may have left it: every key reads back
// as a value or as nothing, and a damaged file is told apart without a crash.
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/desktop/JsonFileDefaults.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = fuzz::writeScratch(QStringLiteral("defaults.json"), data, size);
    JsonFileDefaults defaults(path, std::chrono::milliseconds(0));
    const QStringList keys = defaults.keys();
    const bool damaged = defaults.isDamaged();
    FUZZ_CHECK(!damaged || keys.isEmpty());
    for (const QString& key : keys) (void)defaults.value(key);
    (void)defaults.value(QStringLiteral("customHotKeys"));
    return 0;
}
