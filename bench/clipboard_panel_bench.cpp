// The clipboard panel on real widgets, on a private Xvfb with openbox: opening it over a
// history of 300 items (100 of them images, thumbnails read only for the rows drawn), until
// the window manager has mapped it and it is drawn; and one keystroke in its search field,
// until the filtered list is drawn again.
//   build/bench/bench_clipboard_panel
#include <cstdlib>
#include <stdexcept>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "clipboard/ClipboardStore.h"
#include "platform/tests/PrivateDisplay.h"
#include "views/ClipboardPanel.h"

using namespace quenda;

namespace {

constexpr int kItems = 300;
constexpr int kImages = 100;

std::unique_ptr<testing::PrivateDisplay> display;

// A history as a user builds it: texts of a line to a few paragraphs from a few
// applications, every third item a screenshot-sized image.
std::vector<ClipItem> history(const QString& folder) {
    std::vector<ClipItem> items;
    const QStringList apps{"Mousepad", "Firefox", "XTerm", "Thunar"};
    for (int i = 0; i < kItems; ++i) {
        ClipItem item;
        item.id = QUuid::createUuid();
        item.date = 787000000.0 - i * 90.0;
        item.sourceApp = apps[i % apps.size()];
        item.pinned = i % 50 == 0;
        if (i % 3 == 1 && i / 3 < kImages) {
            item.kind = ClipItem::Kind::image;
            const QString path = QDir(folder).filePath(QStringLiteral("captura-%1.png").arg(i));
            QImage image(1280, 800, QImage::Format_RGB32);
            QPainter p(&image);
            p.fillRect(image.rect(), QColor::fromHsv(i * 7 % 360, 160, 220));
            p.drawText(image.rect(), Qt::AlignCenter, QString::number(i));
            p.end();
            image.save(path, "PNG");
            item.paths = std::vector<QString>{path};
        } else {
            item.text = QStringLiteral("Línea %1 de un texto copiado de %2, con acentos: ñandú.\n")
                            .arg(i)
                            .arg(apps[i % apps.size()])
                            .repeated(1 + i % 8);
        }
        items.push_back(std::move(item));
    }
    return items;
}

struct Scene {
    QTemporaryDir folder;
    std::vector<ClipItem> items = history(folder.path());
    ClipboardPanel::Actions actions() {
        ClipboardPanel::Actions a;
        a.now = &ClipboardStore::systemWallClock;
        return a;
    }
};

Scene& scene() {
    static Scene s;
    return s;
}

// Shown: mapped by the window manager, exposed, and drawn once whole.
void showAndDraw(ClipboardPanel& panel) {
    testing::waitUntil([&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); },
                       5);
    panel.repaint();
}

// A new panel each time: the widgets are built and the visible rows' thumbnails read.
void openFirstTime(benchmark::State& state) {
    const L10n l10n = L10n::builtIn();
    int thumbnails = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        ClipboardPanel panel(l10n, scene().actions());
        panel.open(scene().items);
        showAndDraw(panel);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        thumbnails = panel.rows()->thumbnailsRead();
        panel.hide();
    }
    state.counters["thumbnails_read"] = thumbnails;
}

// The panel is built once and only hidden afterwards: this is every opening after the first.
void openAgain(benchmark::State& state) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanel panel(l10n, scene().actions());
    panel.open(scene().items);
    showAndDraw(panel);
    panel.hide();
    testing::waitUntil([&] { return !panel.windowHandle()->isExposed(); }, 5);
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        panel.open(scene().items);
        showAndDraw(panel);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        panel.hide();
        testing::waitUntil([&] { return !panel.windowHandle()->isExposed(); }, 5);
    }
}

// One key typed in the search field (a letter, or Backspace), until the list is drawn
// again; the search walks "l", "lí", "lín", "líne", "línea 1" and back.
void keystroke(benchmark::State& state) {
    const L10n l10n = L10n::builtIn();
    ClipboardPanel panel(l10n, scene().actions());
    panel.open(scene().items);
    showAndDraw(panel);
    const QString word = QStringLiteral("línea 1");
    int typed = 0;
    bool forward = true;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        if (forward) {
            const QString letter = word.mid(typed, 1);
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, letter);
            QApplication::sendEvent(panel.searchField(), &press);
            ++typed;
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
            QApplication::sendEvent(panel.searchField(), &press);
            --typed;
        }
        panel.repaint();
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        if (typed == word.size()) forward = false;
        if (typed == 0) forward = true;
    }
    state.counters["visible_at_end"] = double(panel.model().visible().size());
}

}  // namespace

BENCHMARK(openFirstTime)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(openAgain)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);
BENCHMARK(keystroke)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(200);

int main(int argc, char** argv) {
    QString error;
    display = testing::PrivateDisplay::start(true, &error);
    if (!display) {
        fprintf(stderr, "bench_clipboard_panel: %s\n", qPrintable(error));
        return 1;
    }
    setenv("DISPLAY", display->name().toLocal8Bit().constData(), 1);
    unsetenv("WAYLAND_DISPLAY");
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    int status = 0;
    {
        QApplication app(argc, argv);
        scene();  // the images are written before anything is timed
        benchmark::Initialize(&argc, argv);
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
    }
    display.reset();
    return status;
}
