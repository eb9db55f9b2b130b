#include "platform/desktop/ArchiveEntryCheck.h"

#include <archive_entry.h>

namespace quenda {

namespace {

// The entry's path inside the folder as clean components, or nothing when it is absolute or
// climbs out. "./" and empty components are dropped; an empty result is the folder itself.
std::optional<QStringList> components(const QString& path) {
    if (path.startsWith(QLatin1Char('/'))) return std::nullopt;
    QStringList out;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) return std::nullopt;
        out << part;
    }
    return out;
}

// Whether a link at `entry` whose text is `target` leads to a place inside the folder.
bool staysInside(const QStringList& entry, const QString& target) {
    if (target.isEmpty() || target.startsWith(QLatin1Char('/'))) return false;
    QStringList where = entry.mid(0, entry.size() - 1);
    for (const QString& part : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) continue;
        if (part == QLatin1String("..")) {
            if (where.isEmpty()) return false;
            where.removeLast();
        } else {
            where << part;
        }
    }
    return true;
}

}  // namespace

QString archiveEntryPath(archive_entry* e) {
    if (const char* utf8 = archive_entry_pathname_utf8(e)) return QString::fromUtf8(utf8);
    if (const char* raw = archive_entry_pathname(e)) return QString::fromLocal8Bit(raw);
    return {};
}

std::variant<QStringList, QString> checkArchiveEntry(archive_entry* entry) {
    const QString path = archiveEntryPath(entry);
    const auto parts = components(path);
    if (!parts) return path + QStringLiteral(": leads outside the folder");
    if (archive_entry_hardlink(entry)) return path + QStringLiteral(": hard links refused");
    const auto type = archive_entry_filetype(entry);
    if (type == AE_IFLNK) {
        const char* target = archive_entry_symlink_utf8(entry);
        if (!target) target = archive_entry_symlink(entry);
        if (!target || !staysInside(*parts, QString::fromUtf8(target)))
            return path + QStringLiteral(": link leads outside the folder");
    } else if (type != AE_IFREG && type != AE_IFDIR) {
        return path + QStringLiteral(": neither file, folder nor link");
    }
    return *parts;
}

}  // namespace quenda
