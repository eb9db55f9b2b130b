#include "shelf/ShelfStore.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include "clipboard/ClipboardStore.h"
#include "core/RegularFile.h"
#include "core/StoreFile.h"

namespace quenda {

namespace {
// The largest picture taken over from the history.
constexpr qint64 kMaxImageBytes = qint64(256) << 20;
}  // namespace

namespace {
// The shelf may hold private text; its file and images are the user's alone.
constexpr QFileDevice::Permissions kPrivate = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

bool isPng(const QByteArray& bytes) {
    static const QByteArray signature("\x89PNG\r\n\x1a\n", 8);
    return bytes.startsWith(signature);
}

}  // namespace

double ShelfStore::systemWallClock() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

ShelfStore::ShelfStore(Services services)
    : s_(std::move(services)), textFiles_(s_.paths, s_.hud, s_.l10n, s_.localNow) {}

QString ShelfStore::shelfPath() const {
    return shelf::path(s_.paths);
}

QString ShelfStore::imagesFolder() const {
    return shelf::imagesFolder(s_.paths);
}

const ShelfItem* ShelfStore::find(const QUuid& id) const {
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [&](const ShelfItem& item) { return item.id == id; });
    return it == items_.end() ? nullptr : &*it;
}

void ShelfStore::publish() const {
    for (const auto& observer : observers_) observer();
}

void ShelfStore::changed() {
    // Many additions at once (a long file list) are saved and shown once, at their end.
    if (batching_) {
        pending_ = true;
        return;
    }
    save();
    publish();
}

void ShelfStore::inOneChange(const std::function<void()>& additions) {
    const bool outer = !batching_;
    batching_ = true;
    additions();
    if (!outer) return;
    batching_ = false;
    if (std::exchange(pending_, false)) changed();
}

// What a run stopped in the middle of a save left: the temporary copy of the shelf's file or
// of a picture, or a picture saved just before the shelf's file that would have named it.
// Only the running instance writes them, so at its start they are litter. Pictures go only
// when the shelf's file was read: a damaged one may name them.
void ShelfStore::removeLeftovers(const shelf::Loaded& loaded) {
    const QString pictures = QStringLiteral("imagen-[0-9]+(?:-[0-9]+)?\\.png");
    removeSaveLeftovers(QFileInfo(shelfPath()).absolutePath(),
                        QRegularExpression::escape(QFileInfo(shelfPath()).fileName()));
    removeSaveLeftovers(imagesFolder(), pictures);
    if (loaded.state != shelf::FileState::good && loaded.state != shelf::FileState::absent) return;
    QStringList kept;
    for (const ShelfItem& item : loaded.items)
        if (item.path) kept << *item.path;
    removeUnreferencedFiles(imagesFolder(), pictures, kept);
}

void ShelfStore::load() {
    const QString path = shelfPath();
    shelf::Loaded loaded = shelf::read(path);
    fileState_ = loaded.state;
    if (const QString why = shelf::describe(loaded.state, path); !why.isEmpty())
        qWarning("quenda: %s", qPrintable(why));
    removeLeftovers(loaded);
    if (loaded.state != shelf::FileState::good) return;
    items_ = std::move(loaded.items);
    publish();
}

void ShelfStore::addFile(const QString& path) {
    if (path.isEmpty()) return;
    if (std::any_of(items_.begin(), items_.end(),
                    [&](const ShelfItem& item) { return item.path == path; }))
        return;
    items_.insert(items_.begin(),
                  ShelfItem{QUuid::createUuid(), ShelfItem::Kind::file, path, std::nullopt});
    changed();
}

void ShelfStore::addFile(const QUrl& url) {
    if (url.isLocalFile()) addFile(url.toLocalFile());
}

void ShelfStore::addText(const QString& text) {
    if (isBlank(text)) return;
    if (std::any_of(items_.begin(), items_.end(),
                    [&](const ShelfItem& item) { return item.text == text; }))
        return;
    items_.insert(items_.begin(),
                  ShelfItem{QUuid::createUuid(), ShelfItem::Kind::text, std::nullopt, text});
    changed();
}

void ShelfStore::add(const ClipItem& clip) {
    switch (clip.kind) {
        case ClipItem::Kind::image:
            // The history deletes its own picture when the item leaves it: the shelf keeps a
            // copy of its own.
            for (const QString& path : clip.paths.value_or(std::vector<QString>{})) {
                if (const auto png = readRegularFile(path, kMaxImageBytes)) {
                    if (const auto copy = writeImage(*png)) addFile(*copy);
                }
            }
            break;
        case ClipItem::Kind::files:
            inOneChange([&] {
                for (const QString& path : clip.paths.value_or(std::vector<QString>{}))
                    addFile(path);
            });
            break;
        case ClipItem::Kind::text:
            addText(clip.text.value_or(QString()));
            break;
    }
    if (showPanel_) showPanel_();
}

void ShelfStore::addFromClipboard() {
    PasteboardRead what;  // files, then text, then an image
    // A copy a password manager marks private is never kept, here as in the history.
    what.privateTypes = ClipboardStore::privateTypes();
    s_.pasteboard.read(what, [this, alive = std::weak_ptr<char>(alive_)](PasteboardContent c) {
        if (alive.lock()) answered(c);
    });
}

void ShelfStore::answered(const PasteboardContent& content) {
    if (std::any_of(content.types.begin(), content.types.end(), [](const QString& type) {
            return ClipboardStore::privateTypes().contains(type);
        })) {
        s_.hud.show(s_.l10n.t(QStringLiteral("hud_shelf_private_copy")), kMessageDuration);
    } else if (!content.files.empty()) {
        inOneChange([&] {
            for (const QString& path : content.files) addFile(path);
        });
    } else if (content.text) {
        addText(*content.text);
    } else if (content.png) {
        if (const auto path = writeImage(*content.png)) addFile(*path);
    } else {
        s_.hud.show(s_.l10n.t(QStringLiteral("hud_clipboard_empty")), kMessageDuration);
    }
}

std::optional<QString> ShelfStore::writeImage(const QByteArray& png) {
    if (!isPng(png)) return std::nullopt;
    const QDir folder(imagesFolder());
    const QString stem = QStringLiteral("imagen-") +
                         QString::number(static_cast<qint64>(std::floor(s_.wallClock() * 1000)));
    // Two images in the same millisecond (or a file left from before) must not replace each
    // other: the second gets a name of its own.
    QString path = folder.filePath(stem + QStringLiteral(".png"));
    for (int n = 2; pathTaken(path); ++n)
        path =
            folder.filePath(stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".png"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(kPrivate)) return std::nullopt;
    file.write(png);
    if (!file.commit()) return std::nullopt;
    return path;
}

void ShelfStore::remove(const QUuid& id) {
    const auto it =
        std::find_if(items_.begin(), items_.end(), [&](const ShelfItem& i) { return i.id == id; });
    if (it == items_.end()) return;
    deleteOwnImage(*it);
    items_.erase(it);
    changed();
}

void ShelfStore::clear() {
    for (const ShelfItem& item : items_) deleteOwnImage(item);
    items_.clear();
    changed();
}

void ShelfStore::deleteOwnImage(const ShelfItem& item) {
    // Only a picture the shelf saved into its own folder; the user's files are never touched.
    if (!item.path) return;
    const QString folder = QFileInfo(imagesFolder()).canonicalFilePath();
    const QFileInfo file(*item.path);
    if (folder.isEmpty() || QFileInfo(file.absolutePath()).canonicalFilePath() != folder) return;
    QFile::remove(*item.path);
}

void ShelfStore::convertToFile(const QUuid& id) {
    const ShelfItem* found = find(id);
    if (!found || !found->text) return;
    const auto path = textFiles_.write(*found->text);  // says itself why it failed
    if (!path) return;
    // The write may have run other code; look the item up again.
    const auto it = std::find_if(items_.begin(), items_.end(),
                                 [&](const ShelfItem& item) { return item.id == id; });
    if (it == items_.end()) return;
    it->kind = ShelfItem::Kind::file;
    it->path = *path;
    it->text.reset();
    changed();
}

void ShelfStore::copyAll() {
    std::vector<QString> files;
    for (const ShelfItem& item : items_)
        if (item.kind == ShelfItem::Kind::file && item.path) files.push_back(*item.path);
    if (!files.empty()) {
        s_.pasteboard.writeFiles(files);
        const auto count = qint64(files.size());
        s_.hud.show(s_.l10n.plural(QStringLiteral("hud_shelf_files_copied"), count, {count}),
                    kMessageDuration);
        return;
    }
    QStringList texts;
    for (const ShelfItem& item : items_)
        if (item.text) texts << *item.text;
    const QString joined = texts.join(kTextSeparator);
    if (joined.isEmpty()) return;
    s_.pasteboard.writeText(joined);
    s_.hud.show(s_.l10n.t(QStringLiteral("hud_shelf_texts_copied")), kMessageDuration);
}

void ShelfStore::copy(const ShelfItem& item) {
    if (item.kind == ShelfItem::Kind::text) {
        s_.pasteboard.writeText(item.text.value_or(QString()));
    } else if (item.path) {
        s_.pasteboard.writeFiles({*item.path});
    }
    s_.hud.show(s_.l10n.t(QStringLiteral("hud_copied")), kMessageDuration);
}

bool ShelfStore::accept(const std::vector<ShelfDrop>& drops) {
    bool taken = false;
    inOneChange([&] {
        for (const ShelfDrop& drop : drops) {
            if (drop.file) {
                addFile(*drop.file);
            } else if (drop.png) {
                if (const auto path = writeImage(*drop.png)) addFile(*path);
            } else if (drop.url) {
                addText(*drop.url);
            } else if (drop.text) {
                addText(*drop.text);
            } else {
                continue;
            }
            taken = true;
        }
    });
    return taken;
}

ShelfDrag ShelfStore::drag(const ShelfItem& item) {
    ShelfDrag out;
    if (item.kind == ShelfItem::Kind::text) {
        out.text = item.text.value_or(QString());
    } else if (item.path) {
        out.file = *item.path;
        out.suggestedName = item.fileName();
    }
    return out;
}

void ShelfStore::save() {
    saveStoreFile(shelfPath(), shelf::kMaxFileBytes, "shelf", fileState_, shelf::encode(items_));
}

}  // namespace quenda
