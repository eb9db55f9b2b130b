#pragma once

#include <variant>

#include <QString>
#include <QStringList>

struct archive_entry;

namespace quenda {

// The checks every entry of a release archive passes before anything of it is written: where
// it goes inside the folder, as clean components (empty for the folder itself), or why it is
// refused (an absolute path or one that climbs out, a hard link, a link leading outside the
// folder, anything that is neither file, folder nor link).
std::variant<QStringList, QString> checkArchiveEntry(archive_entry* entry);

// The entry's path as the archive spells it (UTF-8 when the archive says, else the locale's).
QString archiveEntryPath(archive_entry* entry);

}  // namespace quenda
