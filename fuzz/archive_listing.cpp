// A release archive as the download delivered it: libarchive reads every header (any of its
// compressions) and each entry goes through the checks it passes before it is written, with
// its data read as an unpack reads it. Nothing is written to disk.
#include <archive.h>
#include <archive_entry.h>

#include <cstdint>
#include <variant>

#include "fuzz/FuzzSupport.h"
#include "platform/desktop/ArchiveEntryCheck.h"

using namespace quenda;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    archive* in = archive_read_new();
    archive_read_support_filter_all(in);
    archive_read_support_format_tar(in);
    if (archive_read_open_memory(in, data, size) == ARCHIVE_OK) {
        for (int entries = 0; entries < 10000; ++entries) {
            archive_entry* entry = nullptr;
            const int r = archive_read_next_header(in, &entry);
            if (r != ARCHIVE_OK && r != ARCHIVE_WARN) break;
            const auto checked = checkArchiveEntry(entry);
            if (const auto* parts = std::get_if<QStringList>(&checked)) {
                for (const QString& part : *parts) {
                    FUZZ_CHECK(!part.isEmpty() && part != QLatin1String("..") &&
                               part != QLatin1String(".") && !part.contains(QLatin1Char('/')));
                }
            }
            const void* block = nullptr;
            size_t length = 0;
            la_int64_t offset = 0;
            int64_t total = 0;
            while (archive_read_data_block(in, &block, &length, &offset) == ARCHIVE_OK) {
                total += int64_t(length);
                if (total > (int64_t(64) << 20)) break;
            }
        }
    }
    archive_read_free(in);
    return 0;
}
