#include "platform/desktop/FileChangeWatcher.h"

#include <QDir>
#include <QFileInfo>

namespace quenda {

FileChangeWatcher::FileChangeWatcher(QString path, std::function<void()> onChange, QObject* parent)
    : QObject(parent), path_(std::move(path)), onChange_(std::move(onChange)) {
    const QString folder = QFileInfo(path_).absolutePath();
    QDir().mkpath(folder);
    watcher_.addPath(folder);
    rearm();
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { changed(); });
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] { changed(); });
}

void FileChangeWatcher::rearm() {
    // A file replaced by a rename is a new file: the watch on the old one is gone.
    if (!watcher_.files().contains(path_) && QFileInfo::exists(path_)) watcher_.addPath(path_);
}

void FileChangeWatcher::changed() {
    rearm();
    if (pending_) return;
    // One call for the burst a save makes (temporary file, rename, folder change).
    pending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            pending_ = false;
            rearm();
            if (onChange_) onChange_();
        },
        Qt::QueuedConnection);
}

}  // namespace quenda
