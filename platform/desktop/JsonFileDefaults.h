#pragma once

#include <chrono>
#include <functional>

#include <QJsonObject>
#include <QString>

#include "platform/ports/Defaults.h"

namespace quenda {

// The settings store as one JSON object in a file. Booleans, integers, reals and strings
// are JSON's own; data is {"$data": "text"} (or {"$base64": "..."} when it is not UTF-8), so
// JSON data such as the hot-key bindings stays readable. Every read looks at the file again
// when it changed on disk, so a change made by another process (`quenda config set`)
// applies to the next command.
//
// Only a regular file (or a link to one) of at most 16 MiB is read, and never in a way that
// blocks. Anything else there (a pipe, a device, a folder, a dangling link, a file too large
// or unreadable) reads as empty, is said once on stderr, and is never written through or
// replaced: writes fail and say why (`lastError`). A regular file that is not a JSON object
// reads as empty too (said once on stderr); the next write keeps its bytes beside it under a
// name of their own (`defaults.json.damaged-20260131-142501`, then `...-2`...), readable by
// the user only, and starts afresh.
//
// Writers change the file one at a time: each holds an flock on `defaults.json.lock`
// beside it across reading, changing and atomically replacing the file, and reads the file
// again under the lock, so two processes (the running application and `quenda config`)
// setting different keys at once both keep theirs. A lock that is not free within
// `lockWait` fails the write instead of waiting for ever. Writes happen only when a value
// changes.
class JsonFileDefaults final : public Defaults {
  public:
    explicit JsonFileDefaults(QString path,
                              std::chrono::milliseconds lockWait = std::chrono::seconds(5));
    // $XDG_CONFIG_HOME/Quenda/defaults.json
    static QString defaultPath();

    std::optional<DefaultsValue> value(const QString& key) override;
    bool setValue(const QString& key, const DefaultsValue& value) override;
    bool remove(const QString& key) override;
    QStringList keys() override;
    QString lastError() const override { return error_; }

    const QString& path() const { return path_; }
    bool isDamaged() { return refresh(), state_ == State::Damaged; }
    // Removes the temporary copies of writes that were stopped before they replaced the file
    // (a writer killed at the wrong moment), while no writer holds the lock; how many.
    int removeLeftovers();

  private:
    enum class State { Absent, Good, Damaged, NotRegular, TooLarge, Unreadable };
    struct Stamp {
        bool exists = false;
        int64_t size = 0, mtimeNs = 0, inode = 0, mode = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    Stamp stamp() const;
    void refresh();
    void load();
    // The defaults are in use because of what is at the path: say why, once per look.
    void warnIfUnusable();
    // Under the lock: `edit` changes a copy of the file's object and says whether it did.
    bool change(const std::function<bool(QJsonObject&)>& edit);
    bool keepDamagedAside();

    QString path_;
    std::chrono::milliseconds lockWait_;
    std::optional<Stamp> loaded_;
    QJsonObject object_;
    QByteArray damagedBytes_;
    State state_ = State::Absent;
    bool warned_ = false;
    QString error_;
};

}  // namespace quenda
