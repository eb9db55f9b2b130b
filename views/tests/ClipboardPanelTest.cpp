#include <QAction>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "views/ClipboardPanel.h"

// The clipboard panel's widgets on a private virtual desktop: what its menu offers, how the
// search, the selection and Return reach the paste, and that thumbnails are read only for
// the rows drawn.

namespace quenda {

namespace {
ClipItem text(const QString& t, bool pinned = false) {
    ClipItem item;
    item.id = QUuid::createUuid();
    item.text = t;
    item.pinned = pinned;
    return item;
}
ClipItem withPaths(ClipItem::Kind kind, const QString& path) {
    ClipItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.paths = std::vector<QString>{path};
    return item;
}
QStringList texts(const std::vector<ClipItem>& items) {
    QStringList out;
    for (const ClipItem& i : items) out << i.text.value_or(QStringLiteral("-"));
    return out;
}
}  // namespace

class ClipboardPanelTest : public QObject {
    Q_OBJECT

    struct Recorder {
        std::vector<std::pair<QStringList, PasteMode>> pastes, copies;
        std::vector<QUuid> pins, removals, reveals, shelved;
        QString templateID = QStringLiteral("none");
    };
    ClipboardPanel::Actions actions(Recorder& r, bool withShelf) {
        ClipboardPanel::Actions a;
        a.paste = [&r](const std::vector<ClipItem>& items, PasteMode mode) {
            r.pastes.push_back({texts(items), mode});
        };
        a.copy = [&r](const std::vector<ClipItem>& items, PasteMode mode) {
            r.copies.push_back({texts(items), mode});
        };
        a.togglePin = [&r](const QUuid& id) { r.pins.push_back(id); };
        a.remove = [&r](const QUuid& id) { r.removals.push_back(id); };
        a.reveal = [&r](const ClipItem& item) { r.reveals.push_back(item.id); };
        if (withShelf) a.addToShelf = [&r](const ClipItem& item) { r.shelved.push_back(item.id); };
        a.templates = [] { return Templates::builtIn(); };
        a.templateID = [&r] { return r.templateID; };
        a.setTemplateID = [&r](const QString& id) { r.templateID = id; };
        a.now = [] { return 1.8e9; };
        return a;
    }
    static QStringList entries(QMenu& menu) {
        QStringList out;
        for (QAction* a : menu.actions())
            out << (a->isSeparator() ? QStringLiteral("--") : a->text());
        return out;
    }

  private slots:
    void theMenuOffersTheRowsActionsInOrder() {
        const L10n l10n = L10n::builtIn();
        Recorder r;
        ClipboardPanel panel(l10n, actions(r, true));
        const ClipItem t = text(QStringLiteral("hola"));
        auto menu = panel.menuFor(t);
        QCOMPARE(entries(*menu),
                 (QStringList{"Pegar", "Pegar como archivo (adjunto)", "Copiar sin pegar", "--",
                              "Fijar arriba", "Añadir al estante", "--", "Eliminar"}));
        const ClipItem image = withPaths(ClipItem::Kind::image, QStringLiteral("/x.png"));
        ClipItem pinnedImage = image;
        pinnedImage.pinned = true;
        menu = panel.menuFor(pinnedImage);
        QCOMPARE(entries(*menu),
                 (QStringList{"Pegar", "Pegar como archivo (adjunto)", "Copiar sin pegar", "--",
                              "Desfijar", "Mostrar en la carpeta", "Añadir al estante", "--",
                              "Eliminar"}));
        // Each entry reaches its action with this item.
        for (QAction* a : menu->actions()) a->trigger();
        QCOMPARE(r.pastes.size(), size_t(2));
        QCOMPARE(r.pastes[0].second, PasteMode::normal);
        QCOMPARE(r.pastes[1].second, PasteMode::asFiles);
        QCOMPARE(r.copies.size(), size_t(1));
        QCOMPARE(r.pins, std::vector<QUuid>{image.id});
        QCOMPARE(r.reveals, std::vector<QUuid>{image.id});
        QCOMPARE(r.shelved, std::vector<QUuid>{image.id});
        QCOMPARE(r.removals, std::vector<QUuid>{image.id});

        // Without a shelf the entry stays, disabled.
        Recorder bare;
        ClipboardPanel noShelf(l10n, actions(bare, false));
        menu = noShelf.menuFor(t);
        QAction* shelf = menu->actions().at(5);
        QCOMPARE(shelf->text(), QStringLiteral("Añadir al estante"));
        QVERIFY(!shelf->isEnabled());
    }

    void searchSelectionAndReturnReachThePaste() {
        const L10n l10n = L10n::builtIn();
        Recorder r;
        r.templateID = QStringLiteral("codigo");
        ClipboardPanel panel(l10n, actions(r, true));
        panel.open({text("alfa"), text("beta uno"), text("gamma"), text("beta fijada", true)});
        QVERIFY(QTest::qWaitForWindowActive(&panel, 10000));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(panel.searchField()));
        // On the screen under the pointer, centred, 60 px above the middle.
        const QRect area = QGuiApplication::screenAt(QCursor::pos())->availableGeometry();
        QCOMPARE(panel.frameGeometry().center().x() / 4, area.center().x() / 4);

        // The footer: the stored template, the default button and the hint.
        auto* picker = panel.findChild<QComboBox*>();
        QCOMPARE(picker->itemText(0), QStringLiteral("Sin plantilla"));
        QCOMPARE(picker->currentData().toString(), QStringLiteral("codigo"));
        QCOMPARE(picker->count(), 8);

        // Nothing selected: Return pastes the first row of the search, pinned first.
        QTest::keyClicks(panel.searchField(), QStringLiteral("beta"));
        QCOMPARE(panel.list()->model()->rowCount(), 2);
        QTest::keyClick(panel.searchField(), Qt::Key_Return);
        QCOMPARE(r.pastes.back().first, QStringList{"beta fijada"});

        // Two rows selected, in list order, whatever the order of the clicks.
        panel.open({text("alfa"), text("beta"), text("gamma")});
        QVERIFY(QTest::qWaitForWindowExposed(&panel, 10000));
        QCOMPARE(panel.searchField()->text(), QString());  // a fresh opening
        auto* view = panel.list();
        const auto rowCenter = [&](int row) {
            return view->visualRect(view->model()->index(row, 0)).center() - QPoint(60, 0);
        };
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCenter(2));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCenter(0));
        QPushButton* paste = nullptr;
        for (auto* b : panel.findChildren<QPushButton*>())
            if (b->isDefault()) paste = b;
        QVERIFY(paste);
        QCOMPARE(paste->text(), QStringLiteral("Unir y pegar"));
        paste->click();
        QCOMPARE(r.pastes.back().first, (QStringList{"alfa", "gamma"}));
        QCOMPARE(r.pastes.back().second, PasteMode::normal);

        // A search keeps a hidden selection; the visible ones are the targets.
        QTest::keyClicks(panel.searchField(), QStringLiteral("gam"));
        QTest::keyClick(panel.searchField(), Qt::Key_Return);
        QCOMPARE(r.pastes.back().first, QStringList{"gamma"});
        panel.searchField()->clear();
        QCOMPARE(paste->text(), QStringLiteral("Unir y pegar"));

        // A double click pastes that row alone; the hover buttons pin it, or paste it alone.
        panel.searchField()->clear();
        // As the desktop delivers it: a click, then the double click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rowCenter(1));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, rowCenter(1));
        QCOMPARE(r.pastes.back().first, QStringList{"beta"});
        const QRect row = view->visualRect(view->model()->index(1, 0));
        QTest::mouseMove(view->viewport(), row.center());
        const QPoint pasteButton(row.right() - 8 - 12, row.center().y());
        const QPoint pinButton(pasteButton.x() - 28, row.center().y());
        const size_t before = r.pastes.size();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pinButton);
        QCOMPARE(r.pins.size(), size_t(1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pasteButton);
        QCOMPARE(r.pastes.size(), before + 1);
        QCOMPARE(r.pastes.back().first, QStringList{"beta"});

        // Choosing a template stores it at once.
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Down);
        QCOMPARE(r.templateID, picker->currentData().toString());
        QVERIFY(r.templateID != QStringLiteral("codigo"));

        // Esc hides it.
        QTest::keyClick(panel.searchField(), Qt::Key_Escape);
        QTRY_VERIFY(!panel.isVisible());
    }

    void emptyStatesAndThePlaceKeptBetweenOpenings() {
        const L10n l10n = L10n::builtIn();
        Recorder r;
        ClipboardPanel panel(l10n, actions(r, true));
        panel.open({});
        QVERIFY(QTest::qWaitForWindowExposed(&panel, 10000));
        auto labelShowing = [&](const QString& text) {
            for (auto* label : panel.findChildren<QLabel*>())
                if (label->isVisible() && label->text() == text) return true;
            return false;
        };
        QVERIFY(labelShowing(QStringLiteral("Todavía no hay nada copiado")));
        QPushButton* paste = nullptr;
        for (auto* b : panel.findChildren<QPushButton*>())
            if (b->isDefault()) paste = b;
        QVERIFY(paste && !paste->isEnabled());
        QTest::keyClick(panel.searchField(), Qt::Key_Return);  // nothing to paste
        QVERIFY(r.pastes.empty());

        panel.open({text("alfa")});
        QVERIFY(paste->isEnabled());
        QTest::keyClicks(panel.searchField(), QStringLiteral("zz"));
        QVERIFY(labelShowing(QStringLiteral("Sin resultados")));
        QVERIFY(!paste->isEnabled());

        // Resized and moved by the user, it opens there again.
        panel.resize(520, 400);
        panel.move(panel.pos() + QPoint(-30, 25));
        QTRY_COMPARE(panel.size(), QSize(520, 400));
        const QPoint moved = panel.pos();
        panel.hide();
        panel.open({text("alfa")});
        QVERIFY(QTest::qWaitForWindowExposed(&panel, 10000));
        QCOMPARE(panel.size(), QSize(520, 400));
        QTRY_COMPARE(panel.pos(), moved);
        QCOMPARE(panel.searchField()->text(), QString());
    }

    void thumbnailsAreReadForTheRowsDrawnOnly() {
        QTemporaryDir folder;
        std::vector<ClipItem> history;
        for (int i = 0; i < 60; ++i) {
            const QString path = QDir(folder.path()).filePath(QStringLiteral("%1.png").arg(i));
            QImage image(400, 300, QImage::Format_RGB32);
            image.fill(QColor::fromHsv(i * 6, 200, 200));
            QVERIFY(image.save(path));
            history.push_back(withPaths(ClipItem::Kind::image, path));
        }
        history.push_back(withPaths(ClipItem::Kind::image, QStringLiteral("/no/such.png")));
        const L10n l10n = L10n::builtIn();
        Recorder r;
        ClipboardPanel panel(l10n, actions(r, true));
        panel.open(history);
        QVERIFY(QTest::qWaitForWindowExposed(&panel, 10000));
        panel.repaint();
        const int drawn = panel.rows()->thumbnailsRead();
        QVERIFY2(drawn > 0 && drawn < 20, qPrintable(QString::number(drawn)));
        // Drawn again: from the cache.
        panel.repaint();
        QCOMPARE(panel.rows()->thumbnailsRead(), drawn);
        // Kept at row size, never the picture itself.
        const QPixmap thumb =
            panel.rows()->data(panel.rows()->index(0), Qt::DecorationRole).value<QPixmap>();
        QVERIFY(thumb.width() <= 2 * ClipListModel::kIconSize);
        // A PNG that is gone gives the photo symbol.
        const QVariant missing = panel.rows()->data(panel.rows()->index(60), Qt::DecorationRole);
        QVERIFY(missing.canConvert<QIcon>());
    }
};

}  // namespace quenda

QTEST_MAIN(quenda::ClipboardPanelTest)
#include "ClipboardPanelTest.moc"
