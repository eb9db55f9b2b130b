#include "platform/desktop/LibArchiveUnpacker.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>

#include <memory>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "platform/desktop/ArchiveEntryCheck.h"

namespace quenda {

namespace {

struct ReadFree {
    void operator()(archive* a) const { archive_read_free(a); }
};
struct WriteFree {
    void operator()(archive* a) const { archive_write_free(a); }
};

QString text(archive* a) {
    const char* s = archive_error_string(a);
    return s ? QString::fromLocal8Bit(s) : QStringLiteral("unknown archive error");
}

}  // namespace

std::optional<QString> LibArchiveUnpacker::unpack(const QString& archivePath, const QString& folder,
                                                  const UnpackLimits& limits) {
    if (QFileInfo::exists(folder) || QFileInfo(folder).isSymLink())
        return QStringLiteral("the destination already exists");
    if (!QDir().mkdir(folder)) return QStringLiteral("cannot create the destination");
    // Without links on the way, so the guard against writing through links looks at the
    // archive's own paths only.
    const QString root = QFileInfo(folder).canonicalFilePath();

    std::unique_ptr<archive, ReadFree> in(archive_read_new());
    archive_read_support_filter_all(in.get());
    archive_read_support_format_tar(in.get());
    if (archive_read_open_filename(in.get(), QFile::encodeName(archivePath).constData(),
                                   64 * 1024) != ARCHIVE_OK)
        return text(in.get());

    std::unique_ptr<archive, WriteFree> out(archive_write_disk_new());
    archive_write_disk_set_options(out.get(), ARCHIVE_EXTRACT_PERM | ARCHIVE_EXTRACT_TIME |
                                                  ARCHIVE_EXTRACT_SECURE_SYMLINKS |
                                                  ARCHIVE_EXTRACT_SECURE_NODOTDOT);

    qint64 written = 0;
    int entries = 0;
    QStringList links;  // written so far, checked again once every entry is in place
    for (;;) {
        archive_entry* entry = nullptr;
        const int r = archive_read_next_header(in.get(), &entry);
        if (r == ARCHIVE_EOF) break;
        if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return text(in.get());
        const QString path = archiveEntryPath(entry);
        if (++entries > limits.maxEntries) return QStringLiteral("too many entries");
        const auto checked = checkArchiveEntry(entry);
        if (const auto* why = std::get_if<QString>(&checked)) return *why;
        const auto* parts = std::get_if<QStringList>(&checked);
        const auto type = archive_entry_filetype(entry);
        if (parts->isEmpty()) continue;  // the folder itself
        if (type == AE_IFREG && archive_entry_size(entry) > limits.maxTotalBytes - written)
            return path + QStringLiteral(": the archive expands beyond its limit");

        const QByteArray where =
            QFile::encodeName(root + QLatin1Char('/') + parts->join(QLatin1Char('/')));
        archive_entry_set_pathname(entry, where.constData());
        // Neither set-id bits nor anything others may write; folders the owner can always
        // list and enter, so that the release check sees every file and removal works.
        const bool executable = archive_entry_perm(entry) & 0111;
        archive_entry_set_perm(entry, type == AE_IFDIR || executable ? 0755 : 0644);
        if (type == AE_IFLNK) links << QFile::decodeName(where);
        archive_entry_set_uid(entry, getuid());
        archive_entry_set_gid(entry, getgid());
        if (archive_write_header(out.get(), entry) != ARCHIVE_OK)
            return path + QStringLiteral(": ") + text(out.get());
        if (type == AE_IFREG) {
            const void* block = nullptr;
            size_t size = 0;
            la_int64_t offset = 0;
            for (;;) {
                const int d = archive_read_data_block(in.get(), &block, &size, &offset);
                if (d == ARCHIVE_EOF) break;
                if (d != ARCHIVE_OK) return path + QStringLiteral(": ") + text(in.get());
                written += qint64(size);
                if (written > limits.maxTotalBytes)
                    return path + QStringLiteral(": the archive expands beyond its limit");
                if (archive_write_data_block(out.get(), block, size, offset) != ARCHIVE_OK)
                    return path + QStringLiteral(": ") + text(out.get());
            }
        }
        if (archive_write_finish_entry(out.get()) != ARCHIVE_OK)
            return path + QStringLiteral(": ") + text(out.get());
    }
    if (entries == 0) return QStringLiteral("the archive is empty");
    if (archive_write_close(out.get()) != ARCHIVE_OK) return text(out.get());
    // A link's text is checked on its own above; through other links (a/s -> .., then
    // l -> a/s/../x) it can still lead out. Where each one really leads is checked now.
    for (const QString& link : links) {
        const QString resolved = QFileInfo(link).canonicalFilePath();
        if (resolved.isEmpty())
            return link.mid(root.size() + 1) + QStringLiteral(": link leads nowhere");
        if (resolved != root && !resolved.startsWith(root + QLatin1Char('/')))
            return link.mid(root.size() + 1) + QStringLiteral(": link leads outside the folder");
    }
    return std::nullopt;
}

}  // namespace quenda
