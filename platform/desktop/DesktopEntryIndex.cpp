#include "platform/desktop/DesktopEntryIndex.h"

#include <sys/stat.h>

#include <algorithm>
#include <set>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/RegularFile.h"
#include "platform/desktop/DesktopExec.h"

namespace quenda {

namespace {

constexpr int kMaxDepth = 8;  // deeper trees are not menus but accidents
constexpr size_t kMaxFilesPerFolder = 20000;
constexpr qsizetype kMaxIdentifierLength = 255;  // a file name's limit
constexpr qint64 kMaxEntryBytes = 1 << 20;

std::optional<std::pair<time_t, long>> modified(const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(folder).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return std::nullopt;
    return std::make_pair(st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
}

QString programOf(const InstalledEntry& e) {
    if (!e.entry.tryExec.isEmpty()) return e.entry.tryExec;
    const auto argv = expandExec(e.entry, e.location);
    return argv ? argv->first() : QString();
}

// Display entries before NoDisplay ones, then by identifier: the order ties are broken in.
bool before(const InstalledEntry& a, const InstalledEntry& b) {
    if (a.entry.noDisplay != b.entry.noDisplay) return !a.entry.noDisplay;
    return a.id < b.id;
}

}  // namespace

DesktopEntrySnapshot::DesktopEntrySnapshot(std::vector<InstalledEntry> entries)
    : entries_(std::move(entries)) {
    std::sort(entries_.begin(), entries_.end(), before);
    for (size_t i = 0; i < entries_.size(); ++i) {
        const InstalledEntry& e = entries_[i];
        // emplace keeps the first: the order above decides.
        byId_.emplace(e.id, i);
        byLocation_.emplace(e.location, i);
        byIdLower_.emplace(e.id.toLower(), i);
        if (!e.entry.startupWMClass.isEmpty()) byWMClass_.emplace(e.entry.startupWMClass, i);
        const QString program = programOf(e);
        if (!program.isEmpty()) byExec_.emplace(QFileInfo(program).fileName().toLower(), i);
    }
}

namespace {
const InstalledEntry* lookup(const std::unordered_map<QString, size_t>& map, const QString& key,
                             const std::vector<InstalledEntry>& entries) {
    if (key.isEmpty()) return nullptr;
    const auto it = map.find(key);
    return it == map.end() ? nullptr : &entries[it->second];
}
}  // namespace

const InstalledEntry* DesktopEntrySnapshot::find(const QString& id) const {
    return lookup(byId_, id, entries_);
}
const InstalledEntry* DesktopEntrySnapshot::atLocation(const QString& location) const {
    return lookup(byLocation_, location, entries_);
}
const InstalledEntry* DesktopEntrySnapshot::byStartupWMClass(const QString& wmClass) const {
    return lookup(byWMClass_, wmClass, entries_);
}
const InstalledEntry* DesktopEntrySnapshot::byIdIgnoringCase(const QString& name) const {
    return lookup(byIdLower_, name.toLower(), entries_);
}
const InstalledEntry* DesktopEntrySnapshot::byExecutable(const QString& name) const {
    return lookup(byExec_, name.toLower(), entries_);
}

DesktopEntryIndex::DesktopEntryIndex(QStringList folders, QString locale)
    : folders_(std::move(folders)), locale_(std::move(locale)) {
    for (QString& f : folders_) f = QDir::cleanPath(f);
}

QStringList DesktopEntryIndex::defaultFolders() {
    const auto absolute = [](const QString& p) { return !p.isEmpty() && QDir::isAbsolutePath(p); };
    QStringList out;
    QString home = qEnvironmentVariable("XDG_DATA_HOME");
    if (!absolute(home)) home = QDir::homePath() + QStringLiteral("/.local/share");
    out << home + QStringLiteral("/applications");
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.isEmpty()) dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& d : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (absolute(d)) out << QDir::cleanPath(d) + QStringLiteral("/applications");
    }
    out.removeDuplicates();
    return out;
}

bool DesktopEntryIndex::isPlainIdentifier(const QString& id) {
    if (id.isEmpty() || id.size() > kMaxIdentifierLength || id.startsWith(QLatin1Char('.')))
        return false;
    return std::none_of(id.begin(), id.end(), [](QChar c) {
        return c == QLatin1Char('/') || c == QLatin1Char('\\') ||
               c.category() == QChar::Other_Control;
    });
}

std::shared_ptr<const DesktopEntrySnapshot> DesktopEntryIndex::snapshot() {
    if (!snapshot_ || changed()) scan();
    return snapshot_;
}

bool DesktopEntryIndex::changed() const {
    return std::any_of(stamps_.begin(), stamps_.end(),
                       [](const Stamp& s) { return modified(s.folder) != s.modified; });
}

void DesktopEntryIndex::scan() {
    stamps_.clear();
    std::set<QString> claimed;  // IDs an earlier folder (or file) already has
    std::vector<InstalledEntry> found;
    for (const QString& base : folders_) {
        // Walked by hand, breadth first and sorted, so the same tree always gives the same
        // winner when two files of one folder share an ID ("a-b" and "a/b").
        std::vector<std::pair<QString, int>> pending{{base, 0}};
        std::vector<std::pair<QString, QString>> files;  // id, location
        for (size_t next = 0; next < pending.size(); ++next) {
            const auto [folder, depth] = pending[next];
            stamps_.push_back({folder, modified(folder)});
            if (!stamps_.back().modified) continue;
            const QDir dir(folder);
            const QFileInfoList list = dir.entryInfoList(
                QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Readable | QDir::Hidden,
                QDir::Name);
            for (const QFileInfo& info : list) {
                if (info.isDir()) {
                    // Links to folders could loop; installed trees do not use them.
                    if (!info.isSymLink() && depth < kMaxDepth)
                        pending.emplace_back(info.filePath(), depth + 1);
                } else if (info.fileName().endsWith(QLatin1String(".desktop")) &&
                           files.size() < kMaxFilesPerFolder) {
                    QString relative = info.filePath().mid(base.size() + 1);
                    relative.chop(int(qstrlen(".desktop")));
                    files.emplace_back(relative.replace(QLatin1Char('/'), QLatin1Char('-')),
                                       info.filePath());
                }
            }
        }
        for (const auto& [id, location] : files) {
            if (claimed.count(id) || !DesktopEntryIndex::isPlainIdentifier(id)) continue;
            const auto contents = readRegularFile(location, kMaxEntryBytes);
            if (!contents) continue;
            const auto entry = parseDesktopEntry(*contents, locale_);
            if (!entry) continue;  // junk claims nothing: a later folder's file may serve
            claimed.insert(id);
            if (entry->hidden || !entry->isApplication()) continue;
            found.push_back({id, location, *entry});
        }
    }
    snapshot_ = std::make_shared<const DesktopEntrySnapshot>(std::move(found));
}

}  // namespace quenda
