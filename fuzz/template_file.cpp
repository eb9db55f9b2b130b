// The user's template file: a decoded list reads back the same once written, and applying a
// template to a text never expands what the text brings in.
#include <cstdint>

#include "bridge/Templates.h"
#include "fuzz/FuzzSupport.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto templates = Templates::decode(fuzz::bytes(data, size));
    if (!templates) return 0;
    const auto again = Templates::decode(Templates::encode(*templates));
    FUZZ_CHECK(again && *again == *templates);
    for (const PromptTemplate& t : *templates) {
        const QString out =
            Templates::apply(t, QStringLiteral("{texto}{app}"), QStringLiteral("{ventana}"),
                             QStringLiteral("{texto}"));
        (void)out;
    }
    return 0;
}
