// The shelf's panel on a real X server, over a store on a simulated clipboard: what a drop
// becomes, what a dragged row offers, and the rows and their buttons. (That showing it leaves
// the focus where it was is checked end to end, tests/e2e/shelf.sh.) Run by
// run-on-virtual-desktop.sh on a private Xvfb with openbox.
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>
#include <QtTest>

#include "platform/sim/SimDefaults.h"
#include "platform/sim/SimDesktop.h"
#include "shelf/tests/ShelfDesk.h"
#include "views/ShelfPanel.h"

namespace quenda {
namespace {

constexpr int kDeadlineMs = 15000;

struct RecordingOpener : DesktopOpener {
    QStringList revealed;
    bool open(const QString&) override { return true; }
    bool reveal(const QString& path) override {
        revealed << path;
        return true;
    }
};

QStringList shownTexts(const ShelfRow& row) {
    QStringList out;
    for (const QLabel* label : row.findChildren<QLabel*>())
        if (!label->text().isEmpty()) out << label->text();
    return out;
}

}  // namespace

class ShelfPanelTest : public QObject {
    Q_OBJECT
  private slots:
    void dropsBecomeFilesImagesLinksOrTexts() {
        QMimeData files;
        files.setUrls({QUrl::fromLocalFile("/tmp/a b/ñ\n.txt"),
                       QUrl(QStringLiteral("https://example.org/x?y=1"))});
        files.setText(QStringLiteral("ignored while there are urls"));
        auto drops = ShelfPanel::dropsFrom(files);
        QCOMPARE(drops.size(), size_t(2));
        QCOMPARE(drops[0].file, std::optional<QString>(QStringLiteral("/tmp/a b/ñ\n.txt")));
        QCOMPARE(drops[1].url, std::optional<QString>(QStringLiteral("https://example.org/x?y=1")));

        QMimeData picture;  // a picture from a web page: its address and its pixels
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::red);
        picture.setImageData(image);
        picture.setUrls({QUrl(QStringLiteral("https://example.org/i.png"))});
        drops = ShelfPanel::dropsFrom(picture);
        QCOMPARE(drops.size(), size_t(1));
        QVERIFY(drops[0].png && drops[0].png->startsWith("\x89PNG"));
        QVERIFY(!drops[0].url);

        QMimeData text;
        text.setText(QStringLiteral("solo texto"));
        drops = ShelfPanel::dropsFrom(text);
        QCOMPARE(drops.size(), size_t(1));
        QCOMPARE(drops[0].text, std::optional<QString>(QStringLiteral("solo texto")));

        QMimeData nothing;
        nothing.setData(QStringLiteral("application/x-unknown"), "x");
        QVERIFY(ShelfPanel::dropsFrom(nothing).empty());
    }

    void rowsDragOutAsFilesOrText() {
        const ShelfItem file{QUuid::createUuid(), ShelfItem::Kind::file,
                             QStringLiteral("/tmp/mi carpeta/informe ñ.pdf"), std::nullopt};
        std::unique_ptr<QMimeData> mime(ShelfPanel::dragData(file));
        QCOMPARE(mime->urls(), QList<QUrl>{QUrl::fromLocalFile(*file.path)});
        QVERIFY(mime->data("text/uri-list").contains("informe%20%C3%B1.pdf"));
        const ShelfItem text{QUuid::createUuid(), ShelfItem::Kind::text, std::nullopt,
                             QStringLiteral("hola\nmundo")};
        mime.reset(ShelfPanel::dragData(text));
        QCOMPARE(mime->text(), QStringLiteral("hola\nmundo"));
        QVERIFY(!mime->hasUrls());
    }

    void drawsTheStoreAndItsButtonsActOnIt() {
        testing::ShelfDesk d;
        ShelfStore& store = d.loaded();
        SimDesktop desktop;
        SimDefaults defaults;
        Prefs prefs(defaults);
        ScreenGeo geo(desktop, prefs);
        RecordingOpener opener;
        ShelfPanel* panel = nullptr;
        ShelfController controller(
            [&](ShelfController& c) {
                auto p = std::make_unique<ShelfPanel>(store, c, opener, d.l10n);
                panel = p.get();
                return p;
            },
            geo, prefs);
        controller.bringToFront();
        QVERIFY(panel);
        QCOMPARE(panel->windowTitle(), QStringLiteral("Estante"));
        QCOMPARE(panel->rowCount(), 0);
        QVERIFY(panel->findChild<QLabel*>("empty")->isVisible());

        const QString file = d.userFile(QStringLiteral("con espacio ñ.txt"));
        store.addFile(file);
        store.addText(QStringLiteral("un texto"));
        QTRY_COMPARE_WITH_TIMEOUT(panel->rowCount(), 2, kDeadlineMs);
        QVERIFY(!panel->findChild<QLabel*>("empty")->isVisible());
        QCOMPARE(panel->findChild<QLabel*>("count")->text(), QStringLiteral("2"));
        ShelfRow* text = panel->row(0);
        ShelfRow* fileRow = panel->row(1);
        QCOMPARE(shownTexts(*text), QStringList{"un texto"});
        QVERIFY(shownTexts(*fileRow).contains(QStringLiteral("con espacio ñ.txt")));
        QVERIFY(shownTexts(*fileRow).contains(QStringLiteral("Arrástrame al chat")));
        // Texts convert, files reveal; both copy and leave the shelf.
        QVERIFY(text->button("convert") && !text->button("reveal"));
        QVERIFY(fileRow->button("reveal") && !fileRow->button("convert"));
        QCOMPARE(fileRow->button("reveal")->toolTip(),
                 QStringLiteral("Mostrar en el gestor de archivos"));

        fileRow->button("reveal")->click();
        QCOMPARE(opener.revealed, QStringList{file});
        fileRow->button("copy")->click();
        QCOMPARE(d.board.current().files, std::vector<QString>{file});
        text->button("convert")->click();
        QTRY_COMPARE_WITH_TIMEOUT(store.items()[0].kind, ShelfItem::Kind::file, kDeadlineMs);
        QTRY_VERIFY_WITH_TIMEOUT(panel->row(0)->button("reveal"), kDeadlineMs);
        panel->row(1)->button("remove")->click();
        QTRY_COMPARE_WITH_TIMEOUT(panel->rowCount(), 1, kDeadlineMs);
        QVERIFY(QFileInfo::exists(file));  // removing never touches the file
        panel->findChild<QToolButton*>("clear")->click();
        QTRY_COMPARE_WITH_TIMEOUT(panel->rowCount(), 0, kDeadlineMs);
        QVERIFY(store.items().empty());

        // Closing hides it; the command shows it again, the same window.
        panel->close();
        QVERIFY(!panel->isVisible());
        controller.toggle();
        QVERIFY(panel->isVisible());
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::ShelfPanelTest)
#include "ShelfPanelTest.moc"
