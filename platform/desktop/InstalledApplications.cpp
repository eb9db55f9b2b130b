#include "platform/desktop/InstalledApplications.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtDebug>

#include "core/RegularFile.h"
#include "platform/desktop/DesktopExec.h"
#include "platform/desktop/Processes.h"

namespace quenda {

namespace {

constexpr qint64 kMaxEntryBytes = 1 << 20;

// The program as the entry names it, found: an absolute path that is executable, or a name
// on $PATH. Empty when there is none.
QString findProgram(const QString& program) {
    if (QDir::isAbsolutePath(program)) {
        const QFileInfo info(program);
        return info.isFile() && info.isExecutable() ? program : QString();
    }
    if (program.contains(QLatin1Char('/'))) return {};  // relative to what? refuse
    return QStandardPaths::findExecutable(program);
}

void refuse(const QString& location, const char* why) {
    qWarning("quenda: not launching %s: %s", qPrintable(location), why);
}

}  // namespace

InstalledApplications::InstalledApplications(DesktopEntryIndex index, Starter start)
    : index_(std::move(index)), start_(std::move(start)) {}

std::optional<int64_t> InstalledApplications::startDetached(const QString& program,
                                                            const QStringList& args,
                                                            const QString& workingDirectory) {
    qint64 pid = 0;
    if (!QProcess::startDetached(program, args, workingDirectory, &pid) || pid <= 0)
        return std::nullopt;
    return pid;
}

std::optional<QString> InstalledApplications::location(const QString& identifier) {
    if (!DesktopEntryIndex::isPlainIdentifier(identifier)) return std::nullopt;
    const auto snapshot = index_.snapshot();
    const InstalledEntry* e = snapshot->find(identifier);
    if (!e) return std::nullopt;
    return e->location;
}

std::optional<int64_t> InstalledApplications::launch(const QString& location) {
    const auto snapshot = index_.snapshot();
    const InstalledEntry* indexed = snapshot->atLocation(location);
    if (!indexed) {
        refuse(location, "no installed application lives there");
        return std::nullopt;
    }
    // Read again: what runs is what the file says now.
    const auto contents = readRegularFile(indexed->location, kMaxEntryBytes);
    if (!contents) {
        refuse(location, "unreadable");
        return std::nullopt;
    }
    const auto entry = parseDesktopEntry(*contents, messagesLocale());
    if (!entry || !entry->isApplication() || entry->hidden) {
        refuse(location, "no longer an application entry");
        return std::nullopt;
    }
    // A terminal program needs a terminal emulator, and their command lines differ
    // (x-terminal-emulator may be any of them): not started rather than started wrongly.
    if (entry->terminal) {
        refuse(location, "it runs in a terminal");
        return std::nullopt;
    }
    if (!entry->tryExec.isEmpty() && findProgram(entry->tryExec).isEmpty()) {
        refuse(location, "its TryExec program is not installed");
        return std::nullopt;
    }
    // A D-Bus activatable entry runs its Exec like any other: the bus would start the same
    // program, and its Exec is what the user's entry says.
    auto argv = expandExec(*entry, indexed->location);
    if (!argv) {
        refuse(location, "its Exec line is not a valid command line");
        return std::nullopt;
    }
    const QString program = findProgram(argv->takeFirst());
    if (program.isEmpty()) {
        refuse(location, "its program is not installed");
        return std::nullopt;
    }
    if (!entry->path.isEmpty() && !QFileInfo(entry->path).isDir()) {
        refuse(location, "its working directory does not exist");
        return std::nullopt;
    }
    // Started from a menu, an application begins in the user's home, not wherever Quenda
    // happened to be started.
    const QString directory = entry->path.isEmpty() ? QDir::homePath() : entry->path;
    const auto pid = start_(program, *argv, directory);
    if (!pid) {
        refuse(location, "it did not start");
        return std::nullopt;
    }
    launched_[*pid] = indexed->id;
    return pid;
}

ApplicationIdentity InstalledApplications::identify(const ProcessClues& clues) {
    const auto snapshot = index_.snapshot();
    const InstalledEntry* found = nullptr;
    if (const auto it = launched_.find(clues.pid); it != launched_.end())
        found = snapshot->find(it->second);
    if (!found && clues.launchedDesktopFile) {
        const QString& file = *clues.launchedDesktopFile;
        found = snapshot->atLocation(QDir::cleanPath(file));
        // The launcher may have named the file through a link.
        const QString canonical = QFileInfo(file).canonicalFilePath();
        for (size_t i = 0; !found && !canonical.isEmpty() && i < snapshot->entries().size(); ++i) {
            const InstalledEntry& e = snapshot->entries()[i];
            if (QFileInfo(e.location).canonicalFilePath() == canonical) found = &e;
        }
    }
    if (!found && clues.gtkApplicationId) found = snapshot->find(*clues.gtkApplicationId);
    using Lookup = const InstalledEntry* (DesktopEntrySnapshot::*)(const QString&) const;
    for (Lookup lookup :
         {&DesktopEntrySnapshot::byStartupWMClass, &DesktopEntrySnapshot::byIdIgnoringCase,
          &DesktopEntrySnapshot::byExecutable}) {
        if (!found) found = (snapshot.get()->*lookup)(clues.wmClass);
        if (!found) found = (snapshot.get()->*lookup)(clues.wmInstance);
    }
    if (found) return {found->id, found->entry.name};
    ApplicationIdentity fallback;
    if (!clues.wmClass.isEmpty()) fallback.identifier = fallback.name = clues.wmClass;
    if (!fallback.name && !clues.processName.isEmpty()) fallback.name = clues.processName;
    return fallback;
}

void InstalledApplications::forgetEndedLaunches() {
    std::erase_if(launched_, [](const auto& kv) { return processIsGone(int32_t(kv.first)); });
}

std::vector<std::pair<int32_t, ApplicationIdentity>> InstalledApplications::liveLaunches() {
    forgetEndedLaunches();
    const auto snapshot = index_.snapshot();
    std::vector<std::pair<int32_t, ApplicationIdentity>> live;
    for (const auto& [pid, identifier] : launched_) {
        ApplicationIdentity identity{identifier, std::nullopt};
        if (const InstalledEntry* e = snapshot->find(identifier)) identity.name = e->entry.name;
        live.emplace_back(int32_t(pid), identity);
    }
    return live;
}

}  // namespace quenda
