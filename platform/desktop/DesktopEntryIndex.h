#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include <QString>
#include <QStringList>

#include "platform/desktop/DesktopEntry.h"

namespace quenda {

// An installed application: its desktop entry, its identifier (the desktop file ID without
// ".desktop": /usr/share/applications/debian-xterm.desktop is "debian-xterm",
// .../applications/kde/foo.desktop is "kde-foo") and the file it was read from.
struct InstalledEntry {
    QString id;
    QString location;
    DesktopEntry entry;
};

// The installed applications as one scan found them. Immutable: a refresh makes a new one.
class DesktopEntrySnapshot {
  public:
    explicit DesktopEntrySnapshot(std::vector<InstalledEntry> entries);

    // Every application entry that no Hidden entry hides, by identifier.
    const std::vector<InstalledEntry>& entries() const { return entries_; }
    const InstalledEntry* find(const QString& id) const;
    // The entry read from exactly this file; nothing for any other path, even one that names
    // the same file another way.
    const InstalledEntry* atLocation(const QString& location) const;
    // The first entry (by identifier, entries shown in menus before NoDisplay ones) whose
    // StartupWMClass is `wmClass`, whose identifier is `name` ignoring case, or whose program
    // (TryExec, else Exec's) has `name` as its file name ignoring case.
    const InstalledEntry* byStartupWMClass(const QString& wmClass) const;
    const InstalledEntry* byIdIgnoringCase(const QString& name) const;
    const InstalledEntry* byExecutable(const QString& name) const;

  private:
    std::vector<InstalledEntry> entries_;
    std::unordered_map<QString, size_t> byId_, byLocation_, byWMClass_, byIdLower_, byExec_;
};

// The installed desktop entries: each folder searched recursively, the first folder that has
// a desktop file ID wins it, and an entry with Hidden=true hides that ID. The scan is kept
// and made again only when a searched folder changed (its modification time), so asking is
// cheap.
class DesktopEntryIndex {
  public:
    explicit DesktopEntryIndex(QStringList folders = defaultFolders(),
                               QString locale = messagesLocale());

    // $XDG_DATA_HOME/applications (~/.local/share by default), then each folder of
    // $XDG_DATA_DIRS (/usr/local/share:/usr/share by default) with /applications; relative
    // paths are ignored, as the base directory rules say.
    static QStringList defaultFolders();
    // A desktop file ID without its suffix, and nothing else: not empty, no "/", no leading
    // ".", no control characters, not absurdly long. Identifiers come from settings files
    // anyone may have written, so nothing else is ever looked up.
    static bool isPlainIdentifier(const QString& id);

    std::shared_ptr<const DesktopEntrySnapshot> snapshot();
    const QStringList& folders() const { return folders_; }

  private:
    struct Stamp {
        QString folder;
        std::optional<std::pair<time_t, long>> modified;  // nothing: missing
    };
    bool changed() const;
    void scan();

    QStringList folders_;
    QString locale_;
    std::vector<Stamp> stamps_;
    std::shared_ptr<const DesktopEntrySnapshot> snapshot_;
};

}  // namespace quenda
