#include "platform/desktop/JsonFileDefaults.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include "core/DamagedFile.h"
#include "core/RegularFile.h"
#include "core/StoreFile.h"

namespace quenda {

namespace {
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;  // a settings file is never near this
const QString kDataKey = QStringLiteral("$data");
const QString kBase64Key = QStringLiteral("$base64");

std::optional<DefaultsValue> decode(const QJsonValue& v) {
    switch (v.type()) {
        case QJsonValue::Bool:
            return v.toBool();
        case QJsonValue::String:
            return v.toString();
        case QJsonValue::Double: {
            const double d = v.toDouble();
            const bool integral = std::trunc(d) == d && std::abs(d) < 9.0e15;
            if (integral) return static_cast<int64_t>(d);
            return d;
        }
        case QJsonValue::Object: {
            const QJsonObject o = v.toObject();
            if (o.size() != 1) return std::nullopt;
            if (o.value(kDataKey).isString()) return o.value(kDataKey).toString().toUtf8();
            if (o.value(kBase64Key).isString()) {
                auto bytes =
                    QByteArray::fromBase64Encoding(o.value(kBase64Key).toString().toLatin1(),
                                                   QByteArray::AbortOnBase64DecodingErrors);
                if (bytes) return *bytes;
            }
            return std::nullopt;
        }
        default:
            return std::nullopt;
    }
}

// Holds an flock on a lock file beside the settings for as long as it lives. The lock file
// only ever exists to be locked: it is never written.
class WriteLock {
  public:
    WriteLock(const QString& path, std::chrono::milliseconds wait) {
        // O_NOFOLLOW and the type check: whatever else is put there is not locked through.
        fd_ = ::open(QFile::encodeName(path).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
        if (fd_ < 0) {
            why_ = QStringLiteral("cannot open the lock file %1").arg(path);
            return;
        }
        struct stat info {};
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            why_ = QStringLiteral("the lock file %1 is not a regular file").arg(path);
            return;
        }
        // A holder that is stuck must not hang every other writer: try until the deadline.
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                locked_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) break;
            if (std::chrono::steady_clock::now() >= deadline) break;
            ::usleep(2000);
        }
        why_ = QStringLiteral("another process holds the settings lock %1").arg(path);
    }
    ~WriteLock() {
        if (fd_ >= 0) ::close(fd_);  // closing releases the lock
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    bool locked() const { return locked_; }
    const QString& why() const { return why_; }

  private:
    int fd_ = -1;
    bool locked_ = false;
    QString why_;
};

QJsonValue encode(const DefaultsValue& value) {
    return std::visit(
        [](const auto& v) -> QJsonValue {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, int64_t>) {
                return static_cast<qint64>(v);
            } else if constexpr (std::is_same_v<T, QByteArray>) {
                auto decoder = QStringDecoder(QStringDecoder::Utf8);
                const QString text = decoder(v);
                if (!decoder.hasError()) return QJsonObject{{kDataKey, text}};
                return QJsonObject{{kBase64Key, QString::fromLatin1(v.toBase64())}};
            } else {
                return v;
            }
        },
        value);
}
}  // namespace

int JsonFileDefaults::removeLeftovers() {
    // A writer that holds the lock may be between writing its copy and renaming it.
    const WriteLock lock(path_ + QStringLiteral(".lock"), std::chrono::milliseconds(0));
    if (!lock.locked()) return 0;
    const QFileInfo info(path_);
    return removeSaveLeftovers(info.absolutePath(), QRegularExpression::escape(info.fileName()));
}

JsonFileDefaults::JsonFileDefaults(QString path, std::chrono::milliseconds lockWait)
    : path_(std::move(path)), lockWait_(lockWait) {}

QString JsonFileDefaults::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quenda/defaults.json");
}

JsonFileDefaults::Stamp JsonFileDefaults::stamp() const {
    // stat never blocks, whatever the file is; the contents are read only by load().
    struct stat st {};
    if (::stat(QFile::encodeName(path_).constData(), &st) != 0) return {};
    return {true, static_cast<int64_t>(st.st_size),
            static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            static_cast<int64_t>(st.st_ino), static_cast<int64_t>(st.st_mode)};
}

void JsonFileDefaults::refresh() {
    if (loaded_ && *loaded_ == stamp()) return;
    load();
}

void JsonFileDefaults::load() {
    const Stamp now = stamp();
    // Said once for what is there; again only when something else is put there.
    if (loaded_ != now) warned_ = false;
    loaded_ = now;
    object_ = {};
    damagedBytes_.clear();
    RegularFileRead read = readRegularFileChecked(path_, kMaxFileSize);
    switch (read.status) {
        case RegularFileRead::Status::Missing:
            state_ = State::Absent;
            return;
        case RegularFileRead::Status::NotRegular:
            state_ = State::NotRegular;
            return;
        case RegularFileRead::Status::TooLarge:
            state_ = State::TooLarge;
            return;
        case RegularFileRead::Status::Unreadable:
            state_ = State::Unreadable;
            return;
        case RegularFileRead::Status::Read:
            break;
    }
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(read.contents, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        state_ = State::Damaged;
        damagedBytes_ = std::move(read.contents);
        return;
    }
    state_ = State::Good;
    object_ = doc.object();
}

void JsonFileDefaults::warnIfUnusable() {
    if (warned_) return;
    const QString path = QDir::toNativeSeparators(path_);
    QString why;
    switch (state_) {
        case State::Absent:
        case State::Good:
            return;
        case State::Damaged:
            why = QStringLiteral(
                      "%1 is damaged (not a JSON object); using the default settings "
                      "(the next change keeps it aside as %2.damaged-TIME)")
                      .arg(path, QFileInfo(path_).fileName());
            break;
        case State::NotRegular:
            why = QStringLiteral(
                      "%1 is not a regular file; using the default settings and "
                      "never writing it")
                      .arg(path);
            break;
        case State::TooLarge:
            why = QStringLiteral(
                      "%1 is larger than 16 MiB; using the default settings and "
                      "never writing it")
                      .arg(path);
            break;
        case State::Unreadable:
            why = QStringLiteral(
                      "%1 cannot be read; using the default settings and never "
                      "writing it")
                      .arg(path);
            break;
    }
    warned_ = true;
    std::fprintf(stderr, "quenda: %s\n", qPrintable(why));
}

std::optional<DefaultsValue> JsonFileDefaults::value(const QString& key) {
    refresh();
    warnIfUnusable();
    if (!object_.contains(key)) return std::nullopt;
    return decode(object_.value(key));
}

QStringList JsonFileDefaults::keys() {
    refresh();
    warnIfUnusable();
    return object_.keys();
}

bool JsonFileDefaults::keepDamagedAside() {
    // Every writer holds the lock, so no other writer picks the same name meanwhile.
    const auto aside = keepDamagedCopy(path_, damagedBytes_, QDateTime::currentDateTime());
    if (!aside) return false;
    std::fprintf(stderr, "quenda: the damaged settings file was kept as %s\n",
                 qPrintable(QDir::toNativeSeparators(*aside)));
    return true;
}

bool JsonFileDefaults::change(const std::function<bool(QJsonObject&)>& edit) {
    error_.clear();
    const QString path = QDir::toNativeSeparators(path_);
    if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        error_ = QStringLiteral("cannot create the folder of %1").arg(path);
        return false;
    }
    const WriteLock lock(path_ + QStringLiteral(".lock"), lockWait_);
    if (!lock.locked()) {
        error_ = lock.why();
        return false;
    }
    // What the other writers left, not what this one saw last.
    load();
    switch (state_) {
        case State::NotRegular:
            error_ = QStringLiteral("%1 is not a regular file; it is left as it is").arg(path);
            return false;
        case State::TooLarge:
            error_ = QStringLiteral("%1 is larger than 16 MiB; it is left as it is").arg(path);
            return false;
        case State::Unreadable:
            error_ = QStringLiteral("%1 cannot be read; it is left as it is").arg(path);
            return false;
        case State::Absent:
        case State::Good:
        case State::Damaged:
            break;
    }
    QJsonObject next = object_;
    if (!edit(next)) return true;
    if (state_ == State::Damaged && !keepDamagedAside()) {
        error_ = QStringLiteral("cannot keep a copy of the damaged %1 aside; it is left as it is")
                     .arg(path);
        return false;
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    file.write(QJsonDocument(next).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        error_ = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    object_ = next;
    damagedBytes_.clear();
    state_ = State::Good;
    loaded_ = stamp();
    return true;
}

bool JsonFileDefaults::setValue(const QString& key, const DefaultsValue& value) {
    const QJsonValue encoded = encode(value);
    return change([&](QJsonObject& object) {
        if (object.contains(key) && object.value(key) == encoded) return false;
        object.insert(key, encoded);
        return true;
    });
}

bool JsonFileDefaults::remove(const QString& key) {
    return change([&](QJsonObject& object) {
        if (!object.contains(key)) return false;
        object.remove(key);
        return true;
    });
}

}  // namespace quenda
