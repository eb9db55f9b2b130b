#pragma once

#include <memory>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "clipboard/ClipboardStore.h"
#include "platform/ports/UserFolders.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimPasteboard.h"
#include "platform/sim/VirtualClock.h"

namespace quenda::testing {

// Bytes that start as a PNG file does; `n` tells them apart.
inline QByteArray pngBytes(int n = 0) {
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray("IHDR-") + QByteArray::number(n);
}

// What another program offers when it copies.
inline PasteboardContent offer(QStringList types, std::optional<QString> text = std::nullopt,
                               std::vector<QString> files = {},
                               std::optional<QByteArray> png = std::nullopt) {
    PasteboardContent content;
    content.types = std::move(types);
    content.text = std::move(text);
    content.files = std::move(files);
    content.png = std::move(png);
    return content;
}

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

inline void writeAll(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

// The program's folder in a temporary directory.
struct TempFolders : UserFolders {
    QTemporaryDir home;
    QString applicationSupport() override { return home.path(); }
};

// A clipboard whose answers wait until the test lets them go, as a slow owner's would: the
// content is taken when the read is asked for, the answer arrives later.
class HeldPasteboard : public Pasteboard {
  public:
    explicit HeldPasteboard(SimPasteboard& inner) : inner_(inner) {}
    int64_t changeCount() override { return inner_.changeCount(); }
    void setChangeHandler(std::function<void()> changed) override {
        inner_.setChangeHandler(std::move(changed));
    }
    void read(const PasteboardRead& what, std::function<void(PasteboardContent)> done) override {
        inner_.read(what, [&](PasteboardContent c) { held_.emplace_back(std::move(done), c); });
    }
    void writeText(const QString& text, bool alsoSelection) override {
        inner_.writeText(text, alsoSelection);
    }
    void writeImage(const QByteArray& png) override { inner_.writeImage(png); }
    void writeFiles(const std::vector<QString>& paths) override { inner_.writeFiles(paths); }

    size_t held() const { return held_.size(); }
    // Lets the oldest answer still held arrive.
    void answer() {
        auto [done, content] = std::move(held_.front());
        held_.erase(held_.begin());
        done(std::move(content));
    }

  private:
    SimPasteboard& inner_;
    std::vector<std::pair<std::function<void(PasteboardContent)>, PasteboardContent>> held_;
};

// A desktop with a clipboard, an application in front ("Mousepad") and a store over them
// whose folder is a fresh temporary one. The wall clock follows the virtual clock.
struct ClipboardDesk {
    static constexpr double kStart = 1.8e9;  // 2027-01-15, in seconds since 1970

    VirtualClock clock;
    SimDesktop desktop;
    SimPasteboard board;
    TempFolders folders;
    std::unique_ptr<ClipboardStore> store;

    ClipboardDesk() {
        desktop.app(201, QStringLiteral("Mousepad"));
        desktop.frontmost = 201;
    }

    ClipboardStore& make(Pasteboard* pasteboard = nullptr) {
        store = std::make_unique<ClipboardStore>(
            ClipboardStore::Services{.pasteboard = pasteboard ? *pasteboard : board,
                                     .apps = desktop,
                                     .paths = AppPaths(folders),
                                     .wallClock = [this] { return kStart + clock.now(); }});
        return *store;
    }
    ClipboardStore& started(Pasteboard* pasteboard = nullptr) {
        make(pasteboard).start();
        return *store;
    }

    QString support() const { return QDir(folders.home.path()).filePath(QStringLiteral("Quenda")); }
    QString historyPath() const {
        return QDir(support()).filePath(QStringLiteral("historial.json"));
    }
    QString imagesPath() const { return QDir(support()).filePath(QStringLiteral("imagenes")); }
    QStringList images() const {
        return QDir(imagesPath()).entryList(QDir::Files | QDir::System, QDir::Name);
    }

    // The texts of the history as the file holds it ("-" for an item without one).
    QStringList onDiskTexts() const {
        QStringList out;
        for (const ClipItem& item :
             history::decode(readAll(historyPath())).value_or(std::vector<ClipItem>{}))
            out << item.text.value_or(QStringLiteral("-"));
        return out;
    }

    void copyText(const QString& text) {
        board.copy(offer({QStringLiteral("text/plain;charset=utf-8")}, text));
    }
    void copyImage(const QByteArray& png) {
        board.copy(offer({QStringLiteral("image/png")}, std::nullopt, {}, png));
    }
    void copyFiles(std::vector<QString> files) {
        board.copy(offer({QStringLiteral("text/uri-list")}, std::nullopt, std::move(files)));
    }
};

}  // namespace quenda::testing
