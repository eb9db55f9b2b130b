#pragma once

#include <memory>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "platform/ports/UserFolders.h"
#include "platform/sim/SimHud.h"
#include "platform/sim/SimPasteboard.h"
#include "shelf/ShelfStore.h"

namespace quenda::testing {

inline QByteArray shelfPng(int n = 0) {
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray("IHDR-") + QByteArray::number(n);
}

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

struct ShelfFolders : UserFolders {
    QTemporaryDir home;
    QString applicationSupport() override { return home.path(); }
};

// A clipboard, a HUD and a shelf whose folder is a fresh temporary one, with a folder of the
// user's files beside it.
struct ShelfDesk {
    static constexpr double kStart = 1.8e9;  // 2027-01-15, in seconds since 1970

    SimPasteboard board;
    SimHud hud;
    L10n l10n = L10n::builtIn();
    ShelfFolders folders;
    QTemporaryDir user;  // the user's own files
    double now = kStart;
    std::unique_ptr<ShelfStore> store;

    ShelfStore& make() {
        store = std::make_unique<ShelfStore>(ShelfStore::Services{
            .pasteboard = board,
            .hud = hud,
            .l10n = l10n,
            .paths = AppPaths(folders),
            .wallClock = [this] { return now; },
            .localNow = [] { return QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9)); }});
        return *store;
    }
    ShelfStore& loaded() {
        make().load();
        return *store;
    }

    QString support() const { return QDir(folders.home.path()).filePath(QStringLiteral("Quenda")); }
    QString shelfPath() const { return QDir(support()).filePath(QStringLiteral("estante.json")); }
    QString imagesPath() const { return QDir(support()).filePath(QStringLiteral("estante")); }
    QStringList images() const {
        return QDir(imagesPath()).entryList(QDir::Files | QDir::System, QDir::Name);
    }
    // A file of the user's, created with some bytes.
    QString userFile(const QString& name, const QByteArray& bytes = "x") const {
        const QString path = QDir(user.path()).filePath(name);
        writeBytes(path, bytes);
        return path;
    }
    std::vector<ShelfItem> onDisk() const {
        return shelf::decode(readBytes(shelfPath())).value_or(std::vector<ShelfItem>{});
    }

    void copyText(const QString& text) {
        PasteboardContent c;
        c.types = {QStringLiteral("text/plain;charset=utf-8")};
        c.text = text;
        board.copy(c);
    }
    void copyFiles(std::vector<QString> files) {
        PasteboardContent c;
        c.types = {QStringLiteral("text/uri-list")};
        c.files = std::move(files);
        board.copy(c);
    }
    void copyImage(const QByteArray& png) {
        PasteboardContent c;
        c.types = {QStringLiteral("image/png")};
        c.png = png;
        board.copy(c);
    }
};

}  // namespace quenda::testing
