#pragma once

#include <QJsonObject>
#include <QString>

#include "platform/ports/Defaults.h"

namespace quenda {

// The settings store as one JSON object in a file. Booleans, integers, reals and strings
// are JSON's own; data is {"$data": "text"} (or {"$base64": "..."} when it is not UTF-8), so
// JSON data such as the hot-key bindings stays readable. Every read looks at the file again
// when it changed on disk, so a change made by another process (`quenda config set`)
// applies to the next command. Writes are atomic and happen only when a value changes. A
// file that is not a JSON object reads as empty; it is kept beside as ".damaged" before
// the first write replaces it.
class JsonFileDefaults final : public Defaults {
  public:
    explicit JsonFileDefaults(QString path);
    // $XDG_CONFIG_HOME/Quenda/defaults.json
    static QString defaultPath();

    std::optional<DefaultsValue> value(const QString& key) override;
    bool setValue(const QString& key, const DefaultsValue& value) override;
    bool remove(const QString& key) override;
    QStringList keys() override;

    const QString& path() const { return path_; }
    bool isDamaged() { return refresh(), damaged_; }

  private:
    struct Stamp {
        bool exists = false;
        int64_t size = 0, mtimeNs = 0, inode = 0;
        friend bool operator==(const Stamp&, const Stamp&) = default;
    };
    Stamp stamp() const;
    void refresh();
    bool write(const QJsonObject& next);

    QString path_;
    std::optional<Stamp> loaded_;
    QJsonObject object_;
    bool damaged_ = false;
};

}  // namespace quenda
