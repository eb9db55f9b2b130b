// The clipboard history's own costs, on the simulated clipboard and a temporary folder:
// saving a full history (300 items), loading it, and a whole capture (read, record, trim
// and save) of a text and of an image.
//   build/bench/bench_clipboard_store
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "clipboard/ClipboardStore.h"
#include "clipboard/HistoryFile.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimPasteboard.h"

using namespace quenda;

namespace {

struct TempFolders : UserFolders {
    QTemporaryDir home;
    QString applicationSupport() override { return home.path(); }
};

// A history as a user builds it: mostly texts of a sentence to a few paragraphs, some file
// lists and images, a few pinned.
std::vector<ClipItem> fullHistory(const QString& imagesFolder) {
    std::vector<ClipItem> items;
    for (int i = 0; i < ClipboardStore::maxItems; ++i) {
        ClipItem item;
        item.id = QUuid::createUuid();
        item.date = 787000000.0 + i * 37.25;
        item.sourceApp = QStringLiteral("Mousepad");
        item.pinned = i % 60 == 0;
        if (i % 10 == 3) {
            item.kind = ClipItem::Kind::files;
            item.paths =
                std::vector<QString>{QStringLiteral("/home/ana/Documentos/informe %1.pdf").arg(i),
                                     QStringLiteral("/home/ana/Imágenes/foto-%1.jpg").arg(i)};
        } else if (i % 10 == 7) {
            item.kind = ClipItem::Kind::image;
            const QString path =
                QDir(imagesFolder).filePath(QStringLiteral("captura-%1.png").arg(i));
            QFile(path).open(QIODevice::WriteOnly);
            item.paths = std::vector<QString>{path};
        } else {
            item.text = QStringLiteral(
                            "Línea %1 de un texto copiado, con \"comillas\" y\tuna tabulación.\n")
                            .repeated(1 + i % 12);
        }
        items.push_back(std::move(item));
    }
    return items;
}

struct Scene {
    TempFolders folders;
    SimDesktop desktop;
    SimPasteboard board;
    ClipboardStore store{{board, desktop, AppPaths(folders), ClipboardStore::systemWallClock}};
    Scene() {
        desktop.app(201, QStringLiteral("Mousepad"));
        desktop.frontmost = 201;
        QFile file(store.historyPath());
        file.open(QIODevice::WriteOnly);
        file.write(history::encode(fullHistory(store.imagesFolder())));
        file.close();
        store.start();
    }
};

void BM_SaveFullHistory(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) scene.store.save();
    state.counters["items"] = double(scene.store.items().size());
    state.counters["bytes"] = double(QFile(scene.store.historyPath()).size());
}
BENCHMARK(BM_SaveFullHistory)->Unit(benchmark::kMillisecond);

void BM_EncodeFullHistory(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) benchmark::DoNotOptimize(history::encode(scene.store.items()));
}
BENCHMARK(BM_EncodeFullHistory)->Unit(benchmark::kMillisecond);

void BM_LoadFullHistory(benchmark::State& state) {
    Scene scene;
    for (auto _ : state) scene.store.load();
}
BENCHMARK(BM_LoadFullHistory)->Unit(benchmark::kMillisecond);

// A new text on a full history: read, record, trim the oldest, save.
void BM_CaptureText(benchmark::State& state) {
    Scene scene;
    int n = 0;
    for (auto _ : state) {
        PasteboardContent copy;
        copy.types = QStringList{QStringLiteral("text/plain;charset=utf-8")};
        copy.text = QStringLiteral("Texto copiado número %1").arg(++n);
        scene.board.copy(std::move(copy));
    }
}
BENCHMARK(BM_CaptureText)->Unit(benchmark::kMillisecond);

// A new 1 MB image on a full history: its PNG file written, the history saved.
void BM_CaptureImage(benchmark::State& state) {
    Scene scene;
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(1 << 20, 'x');
    for (auto _ : state) {
        PasteboardContent copy;
        copy.types = QStringList{QStringLiteral("image/png")};
        copy.png = png;
        scene.board.copy(std::move(copy));
    }
}
BENCHMARK(BM_CaptureImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
