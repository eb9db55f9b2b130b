#pragma once

#include <functional>

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace quenda {

// Tells when a file may have changed on disk: written in place, replaced by an atomic
// rename (which drops a plain watch on the old file), created or removed. It watches the
// file and its folder (made if missing, so a file that does not exist yet is seen when it
// appears) and calls back once per burst of changes, from the event loop. The callback
// re-reads and compares: a call does not promise that the content differs.
class FileChangeWatcher final : public QObject {
  public:
    FileChangeWatcher(QString path, std::function<void()> onChange, QObject* parent = nullptr);

    const QString& path() const { return path_; }

  private:
    void changed();
    void rearm();

    QString path_;
    std::function<void()> onChange_;
    QFileSystemWatcher watcher_;
    bool pending_ = false;
};

}  // namespace quenda
