#include <gtest/gtest.h>

#include <QFileInfo>
#include <QUrl>

#include "platform/sim/TestPrinters.h"
#include "shelf/tests/ShelfDesk.h"

namespace quenda {
namespace {

using testing::readBytes;
using testing::ShelfDesk;
using testing::shelfPng;
using testing::writeBytes;

// The shelf in one line: "file:NAME" or "text:TEXT", newest first.
QStringList summary(const std::vector<ShelfItem>& items) {
    QStringList out;
    for (const ShelfItem& item : items) {
        if (item.kind == ShelfItem::Kind::file)
            out << QStringLiteral("file:") + item.fileName();
        else
            out << QStringLiteral("text:") + item.text.value_or(QStringLiteral("-"));
    }
    return out;
}

class Shelf : public ::testing::Test, public ShelfDesk {};

TEST_F(Shelf, AddsFilesAndTextsNewestFirstAndSavesEachChangeAtOnce) {
    ShelfStore& store = loaded();
    int published = 0;
    store.observe([&] { ++published; });
    const QString a = userFile(QStringLiteral("a.txt"));
    store.addFile(a);
    store.addText(QStringLiteral("  hola\n"));
    store.addFile(QUrl::fromLocalFile(userFile(QStringLiteral("b.pdf"))));
    EXPECT_EQ(summary(store.items()),
              (QStringList{"file:b.pdf", "text:  hola\n", "file:a.txt"}));  // texts untrimmed
    EXPECT_EQ(published, 3);
    EXPECT_EQ(onDisk(), store.items());
    const ShelfItem& file = store.items()[2];
    EXPECT_EQ(file.path, a);
    EXPECT_FALSE(file.text);
    EXPECT_FALSE(store.items()[1].path);
    EXPECT_FALSE(file.id.isNull());
    EXPECT_NE(file.id, store.items()[0].id);
    EXPECT_EQ(QFileInfo(shelfPath()).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
}

TEST_F(Shelf, KeepsOneItemPerPathAndPerTextAndRefusesBlankTexts) {
    ShelfStore& store = loaded();
    const QString a = userFile(QStringLiteral("a.txt"));
    store.addFile(a);
    store.addFile(a);
    store.addFile(QUrl::fromLocalFile(a));
    store.addText(QStringLiteral("uno"));
    store.addText(QStringLiteral("uno"));
    store.addText(QStringLiteral("uno "));  // not exactly the same text
    for (const QString& blank : {QString(), QStringLiteral(" \n\t "), QStringLiteral("\r\n")})
        store.addText(blank);
    store.addFile(QString());
    store.addFile(QUrl(QStringLiteral("https://example.org/a.txt")));  // not a local file
    EXPECT_EQ(summary(store.items()), (QStringList{"text:uno ", "text:uno", "file:a.txt"}));
}

TEST_F(Shelf, PathsWithSpacesAccentsAndNewlinesSurviveTheFile) {
    ShelfStore& store = loaded();
    const QStringList names{
        QStringLiteral("con espacios.txt"), QString::fromUtf8("canción ñandú.md"),
        QStringLiteral("línea\nnueva.txt"), QStringLiteral("\"comillas\"\\.txt")};
    for (const QString& name : names) store.addFile(userFile(name));
    store.addText(QString::fromUtf8("emoji 🙂 y\nsaltos\r\nde línea\t\"citas\""));
    ShelfStore copy(ShelfStore::Services{
        .pasteboard = board, .hud = hud, .l10n = l10n, .paths = AppPaths(folders)});
    copy.load();
    EXPECT_EQ(copy.items(), store.items());
    ASSERT_EQ(copy.items().size(), 5u);
    EXPECT_EQ(copy.items()[2].fileName(), QStringLiteral("línea\nnueva.txt"));
}

TEST_F(Shelf, AddingAClipboardItemAddsItsFilesOrTextThenShowsThePanel) {
    ShelfStore& store = loaded();
    int shown = 0;
    store.setShowPanel([&] { ++shown; });
    const QString a = userFile(QStringLiteral("a.txt")), b = userFile(QStringLiteral("b.txt"));
    ClipItem files{.id = QUuid::createUuid(),
                   .kind = ClipItem::Kind::files,
                   .paths = std::vector<QString>{a, b}};
    store.add(files);
    EXPECT_EQ(shown, 1);
    const QString capture = userFile(QStringLiteral("captura-1.png"));
    writeBytes(capture, shelfPng(1));
    ClipItem image{.id = QUuid::createUuid(),
                   .kind = ClipItem::Kind::image,
                   .paths = std::vector<QString>{capture}};
    store.add(image);
    ClipItem text{
        .id = QUuid::createUuid(), .kind = ClipItem::Kind::text, .text = QStringLiteral("copiado")};
    store.add(text);
    ClipItem noText{.id = QUuid::createUuid(), .kind = ClipItem::Kind::text};
    store.add(noText);  // nothing to add, the panel still shows
    store.add(files);   // already there
    EXPECT_EQ(summary(store.items()), (QStringList{"text:copiado", "file:imagen-1800000000000.png",
                                                   "file:b.txt", "file:a.txt"}));
    EXPECT_EQ(shown, 5);
}

// The history deletes its picture when the item leaves it; the shelf keeps its own copy.
TEST_F(Shelf, AnImageFromTheHistoryIsCopiedIntoTheShelfFolder) {
    ShelfStore& store = loaded();
    const QString capture = userFile(QStringLiteral("captura-7.png"));
    writeBytes(capture, shelfPng(7));
    store.add(ClipItem{.id = QUuid::createUuid(),
                       .kind = ClipItem::Kind::image,
                       .paths = std::vector<QString>{capture}});
    QFile::remove(capture);
    ASSERT_EQ(store.items().size(), 1u);
    const QString kept = store.items()[0].path.value_or(QString());
    EXPECT_TRUE(kept.startsWith(store.imagesFolder())) << kept.toStdString();
    EXPECT_EQ(readBytes(kept), shelfPng(7));
}

// A long file list (a file manager's whole folder, or a hostile copy) is one change: saved
// and drawn once, not once per file.
TEST_F(Shelf, ManyFilesAtOnceAreOneChange) {
    ShelfStore& store = loaded();
    int changes = 0;
    store.observe([&] { ++changes; });
    PasteboardContent copy;
    copy.types = {QStringLiteral("text/uri-list")};
    for (int i = 0; i < 300; ++i) copy.files.push_back(userFile(QStringLiteral("f%1.txt").arg(i)));
    board.copy(copy);
    store.addFromClipboard();
    EXPECT_EQ(store.items().size(), 300u);
    EXPECT_EQ(changes, 1);
}

// A copy a password manager marks private never reaches the shelf's file.
TEST_F(Shelf, APrivateCopyIsNotKept) {
    ShelfStore& store = loaded();
    PasteboardContent copy;
    copy.types = {QStringLiteral("x-kde-passwordManagerHint"), QStringLiteral("UTF8_STRING")};
    copy.text = QStringLiteral("hunter2");
    board.copy(copy);
    store.addFromClipboard();
    EXPECT_TRUE(store.items().empty());
    EXPECT_EQ(hud.last(), QStringLiteral("Copia privada: no se guarda en el estante"));
    EXPECT_FALSE(readBytes(store.shelfPath()).contains("hunter2"));
}

TEST_F(Shelf, AddingFromTheClipboardTakesFilesThenTextThenAnImage) {
    ShelfStore& store = loaded();
    const QString a = userFile(QStringLiteral("a b.txt")), b = userFile(QStringLiteral("b.txt"));
    copyFiles({a, b});
    store.addFromClipboard();
    EXPECT_EQ(summary(store.items()), (QStringList{"file:b.txt", "file:a b.txt"}));

    PasteboardContent both;  // a file manager's copy also carries the names as text
    both.files = {userFile(QStringLiteral("c.txt"))};
    both.text = QStringLiteral("c.txt");
    board.copy(both);
    store.addFromClipboard();
    EXPECT_EQ(store.items().front().kind, ShelfItem::Kind::file);

    copyText(QStringLiteral("un texto"));
    store.addFromClipboard();
    EXPECT_EQ(summary(store.items()).front(), "text:un texto");
    EXPECT_TRUE(hud.messages.empty());
    EXPECT_TRUE(images().isEmpty());
}

TEST_F(Shelf, AnImageOnlyClipboardIsSavedIntoTheShelfFolderAndAdded) {
    ShelfStore& store = loaded();
    copyImage(shelfPng(1));
    now = 1800000000.1239;
    store.addFromClipboard();
    store.addFromClipboard();  // the same millisecond: a name of its own
    EXPECT_EQ(images(), (QStringList{"imagen-1800000000123-2.png", "imagen-1800000000123.png"}));
    ASSERT_EQ(store.items().size(), 2u);
    EXPECT_EQ(store.items()[1].path, QDir(imagesPath()).filePath("imagen-1800000000123.png"));
    EXPECT_TRUE(store.items()[1].isImage());
    EXPECT_EQ(readBytes(*store.items()[1].path), shelfPng(1));
    EXPECT_TRUE(hud.messages.empty());
}

TEST_F(Shelf, AnEmptyClipboardIsReportedAndAddsNothing) {
    ShelfStore& store = loaded();
    for (auto copy : std::vector<std::function<void()>>{
             [&] { board.clear(); },
             [&] { copyText(QStringLiteral("  \n ")); },
         }) {
        hud.messages.clear();
        copy();
        store.addFromClipboard();
        EXPECT_TRUE(store.items().empty());
        EXPECT_EQ(
            hud.messages,
            (std::vector<SimHud::Message>{{QString::fromUtf8("El portapapeles está vacío"), 1.6}}));
    }
    // An image that cannot be kept as PNG adds nothing, silently.
    hud.messages.clear();
    copyImage(QByteArray("not a png"));
    store.addFromClipboard();
    EXPECT_TRUE(store.items().empty());
    EXPECT_TRUE(hud.messages.empty());
    EXPECT_TRUE(images().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(shelfPath()));
}

TEST_F(Shelf, AnAnswerArrivingAfterTheStoreIsGoneIsDropped) {
    // A pasteboard whose answer waits: the shelf is destroyed before it arrives.
    struct Late : SimPasteboard {
        std::function<void(PasteboardContent)> pending;
        void read(const PasteboardRead&, std::function<void(PasteboardContent)> done) override {
            pending = std::move(done);
        }
    } late;
    auto store = std::make_unique<ShelfStore>(ShelfStore::Services{
        .pasteboard = late, .hud = hud, .l10n = l10n, .paths = AppPaths(folders)});
    store->addFromClipboard();
    store.reset();
    PasteboardContent c;
    c.text = QStringLiteral("tarde");
    late.pending(c);
    EXPECT_FALSE(QFileInfo::exists(shelfPath()));
}

TEST_F(Shelf, RemovingAndEmptyingNeverTouchTheFiles) {
    ShelfStore& store = loaded();
    const QString a = userFile(QStringLiteral("a.txt")), b = userFile(QStringLiteral("b.txt"));
    store.addFile(a);
    store.addFile(b);
    store.addText(QStringLiteral("t"));
    store.remove(store.items()[1].id);
    EXPECT_EQ(summary(onDisk()), (QStringList{"text:t", "file:a.txt"}));
    store.remove(QUuid::createUuid());  // unknown: nothing
    EXPECT_EQ(store.items().size(), 2u);
    store.clear();
    EXPECT_TRUE(store.items().empty());
    EXPECT_TRUE(onDisk().empty());
    EXPECT_EQ(readBytes(shelfPath()), "[]");
    EXPECT_TRUE(QFileInfo::exists(a));
    EXPECT_TRUE(QFileInfo::exists(b));
    // And after a restart the shelf is still empty.
    EXPECT_TRUE(loaded().items().empty());
}

// The pictures the shelf saved itself go with their items; the user's files never do.
TEST_F(Shelf, RemovingAnImageTheShelfSavedDeletesItsFile) {
    ShelfStore& store = loaded();
    const QString mine = userFile(QStringLiteral("mine.png"));
    writeBytes(mine, shelfPng(1));
    store.addFile(mine);
    PasteboardContent copy;
    copy.types = {QStringLiteral("image/png")};
    copy.png = shelfPng(2);
    board.copy(copy);
    store.addFromClipboard();
    ASSERT_EQ(store.items().size(), 2u);
    const QString saved = store.items()[0].path.value_or(QString());
    ASSERT_TRUE(QFileInfo::exists(saved));
    store.remove(store.items()[0].id);
    EXPECT_FALSE(QFileInfo::exists(saved));
    now += 1;
    board.copy(copy);
    store.addFromClipboard();
    const QString again = store.items()[0].path.value_or(QString());
    store.clear();
    EXPECT_FALSE(QFileInfo::exists(again));
    EXPECT_TRUE(QFileInfo::exists(mine));
}

TEST_F(Shelf, ConvertingATextKeepsItsIdAndPlaceAndWritesAMarkdownFile) {
    ShelfStore& store = loaded();
    store.addText(QString::fromUtf8("Plan de migración: fase 1\nresto"));
    store.addText(QStringLiteral("arriba"));
    const QUuid id = store.items()[1].id;
    store.convertToFile(id);
    ASSERT_EQ(store.items().size(), 2u);
    const ShelfItem& item = store.items()[1];
    EXPECT_EQ(item.id, id);
    EXPECT_EQ(item.kind, ShelfItem::Kind::file);
    EXPECT_FALSE(item.text);
    ASSERT_TRUE(item.path);
    EXPECT_EQ(item.fileName(), QString::fromUtf8("Plan-de-migración-fase-1-20260305-140709.md"));
    EXPECT_EQ(QFileInfo(*item.path).absolutePath(), QDir(support()).filePath("archivos"));
    EXPECT_EQ(QString::fromUtf8(readBytes(*item.path)),
              QString::fromUtf8("Plan de migración: fase 1\nresto"));
    EXPECT_EQ(onDisk(), store.items());
    // A file item, or an unknown id: nothing happens.
    const auto before = store.items();
    store.convertToFile(id);
    store.convertToFile(QUuid::createUuid());
    EXPECT_EQ(store.items(), before);
}

TEST_F(Shelf, ATextThatCannotBeWrittenStaysAText) {
    ShelfStore& store = loaded();
    store.addText(QStringLiteral("no cabe"));
    // "archivos" cannot be a folder: a file holds its name.
    writeBytes(QDir(support()).filePath("archivos"), "x");
    const auto before = store.items();
    store.convertToFile(before[0].id);
    EXPECT_EQ(store.items(), before);
    ASSERT_EQ(hud.messages.size(), 1u);
    EXPECT_TRUE(hud.last().startsWith(QStringLiteral("No pude crear el archivo: ")));
}

TEST_F(Shelf, CopyingEverythingCopiesTheFilesOnlyOrElseTheJoinedTexts) {
    ShelfStore& store = loaded();
    store.copyAll();  // an empty shelf: nothing happens
    EXPECT_EQ(board.changeCount(), 0);
    EXPECT_TRUE(hud.messages.empty());

    store.addText(QStringLiteral("uno"));
    store.addText(QStringLiteral("dos"));
    store.addText(QStringLiteral("tres"));
    store.copyAll();
    EXPECT_EQ(board.current().text, QStringLiteral("tres\n\n---\n\ndos\n\n---\n\nuno"));
    EXPECT_EQ(hud.messages,
              (std::vector<SimHud::Message>{{QStringLiteral("Textos del estante copiados"), 1.6}}));

    const QString a = userFile(QStringLiteral("a.txt")), b = userFile(QStringLiteral("b c.txt"));
    store.addFile(a);
    store.addFile(b);
    store.copyAll();
    EXPECT_EQ(board.current().files, (std::vector<QString>{b, a}));
    EXPECT_FALSE(board.current().text);
    EXPECT_EQ(hud.last(), QStringLiteral("2 archivos copiados: pega con Ctrl+V para adjuntarlos"));
    store.remove(store.items()[0].id);
    store.copyAll();
    EXPECT_EQ(hud.last(), QStringLiteral("1 archivo copiado: pega con Ctrl+V para adjuntarlo"));
}

TEST_F(Shelf, CopyingOneItemPutsItOnTheClipboardAndSaysSo) {
    ShelfStore& store = loaded();
    const QString a = userFile(QStringLiteral("a á.txt"));
    store.addFile(a);
    store.addText(QStringLiteral(" texto "));
    store.copy(store.items()[0]);
    EXPECT_EQ(board.current().text, QStringLiteral(" texto "));
    store.copy(store.items()[1]);
    EXPECT_EQ(board.current().files, std::vector<QString>{a});
    EXPECT_EQ(hud.texts(), (std::vector<QString>{"Copiado", "Copiado"}));
}

TEST_F(Shelf, DropsTakeTheFirstUsableFormOfEachThing) {
    ShelfStore& store = loaded();
    const QString a = userFile(QStringLiteral("a.txt"));
    now = 1800000000.5;
    EXPECT_FALSE(store.accept({}));
    EXPECT_FALSE(store.accept({ShelfDrop{}}));  // nothing usable
    EXPECT_TRUE(store.items().empty());
    EXPECT_TRUE(store.accept({
        ShelfDrop{.file = a, .text = QStringLiteral("a.txt")},
        ShelfDrop{},
        ShelfDrop{.png = shelfPng(2), .url = QStringLiteral("https://example.org/i.png")},
        ShelfDrop{.url = QStringLiteral("https://example.org/página")},
        ShelfDrop{.text = QStringLiteral("suelto")},
    }));
    EXPECT_EQ(summary(store.items()), (QStringList{"text:suelto", "text:https://example.org/página",
                                                   "file:imagen-1800000000500.png", "file:a.txt"}));
    // The same file and the same link again: still one of each.
    EXPECT_TRUE(store.accept(
        {ShelfDrop{.file = a}, ShelfDrop{.url = QStringLiteral("https://example.org/página")}}));
    EXPECT_EQ(store.items().size(), 4u);
    // An image that is not PNG data is taken but adds nothing.
    store.accept({ShelfDrop{.png = QByteArray("GIF89a")}});
    EXPECT_EQ(images(), QStringList{"imagen-1800000000500.png"});
}

TEST_F(Shelf, DraggingOutOffersTheTextOrTheFileWithItsName) {
    const ShelfItem text{QUuid::createUuid(), ShelfItem::Kind::text, std::nullopt,
                         QStringLiteral("hola")};
    const ShelfItem file{QUuid::createUuid(), ShelfItem::Kind::file,
                         QStringLiteral("/home/u/Mis docs/informe final.pdf"), std::nullopt};
    const ShelfItem pathless{QUuid::createUuid(), ShelfItem::Kind::file, std::nullopt,
                             std::nullopt};
    EXPECT_EQ(ShelfStore::drag(text).text, QStringLiteral("hola"));
    EXPECT_FALSE(ShelfStore::drag(text).file);
    EXPECT_EQ(ShelfStore::drag(file).file, *file.path);
    EXPECT_EQ(ShelfStore::drag(file).suggestedName, QStringLiteral("informe final.pdf"));
    EXPECT_FALSE(ShelfStore::drag(pathless).file);
    EXPECT_FALSE(ShelfStore::drag(pathless).text);
}

TEST_F(Shelf, LoadingKeepsTextsAndFilesStillThereInOrderAndDoesNotSave) {
    const QString kept = userFile(QStringLiteral("kept.txt"));
    const QString gone = QDir(user.path()).filePath(QStringLiteral("gone.txt"));
    QDir(user.path()).mkdir(QStringLiteral("carpeta"));
    const QString folder = QDir(user.path()).filePath(QStringLiteral("carpeta"));
    const QByteArray file =
        QStringLiteral(
            R"([{"kind":"text","id":"6F0C1E4A-0000-4000-8000-000000000001","text":"t1"},)"
            R"({"id":"6f0c1e4a-0000-4000-8000-000000000002","kind":"file","path":"%1"},)"
            R"({"id":"6F0C1E4A-0000-4000-8000-000000000003","kind":"file","path":"%2"},)"
            R"({"id":"6F0C1E4A-0000-4000-8000-000000000004","kind":"file"},)"
            R"({"id":"6F0C1E4A-0000-4000-8000-000000000005","kind":"file","path":"%3"},)"
            R"({"id":"6F0C1E4A-0000-4000-8000-000000000006","kind":"text","text":"t2",)"
            R"("path":null,"extra":1}])")
            .arg(kept, gone, folder)
            .toUtf8();
    writeBytes(shelfPath(), file);
    ShelfStore& store = loaded();
    EXPECT_EQ(summary(store.items()),
              (QStringList{"text:t1", "file:kept.txt", "file:carpeta", "text:t2"}));
    EXPECT_EQ(store.items()[1].id.toString(QUuid::WithoutBraces),
              QStringLiteral("6f0c1e4a-0000-4000-8000-000000000002"));
    EXPECT_EQ(readBytes(shelfPath()), file);  // loading never saves
    EXPECT_EQ(store.fileState(), shelf::FileState::good);
}

TEST_F(Shelf, AFileMovedAwayWhileRunningStaysUntilTheNextLaunch) {
    ShelfStore& store = loaded();
    const QString a = userFile(QStringLiteral("a.txt"));
    store.addFile(a);
    QFile::rename(a, a + QStringLiteral(".moved"));
    store.addText(QStringLiteral("t"));
    EXPECT_EQ(summary(store.items()), (QStringList{"text:t", "file:a.txt"}));
    EXPECT_EQ(summary(onDisk()), (QStringList{"text:t", "file:a.txt"}));
    EXPECT_EQ(summary(loaded().items()), QStringList{"text:t"});
}

// A shelf file that cannot be read as a shelf gives an empty shelf; the first change keeps
// the file aside before it is replaced.
TEST_F(Shelf, ADamagedShelfFileIsKeptAsideAndTheShelfStartsEmpty) {
    const QByteArray cases[] = {
        "{ not json",
        "{}",
        R"({"id":"x"})",
        R"([1])",
        R"([{"id":"6F0C1E4A-0000-4000-8000-000000000001","kind":"folder"}])",
        R"([{"id":"6F0C1E4A-0000-4000-8000-000000000001","kind":"text","text":5}])",
        R"([{"id":"6F0C1E4A-0000-4000-8000-000000000001","kind":"file","path":["a"]}])",
        R"([{"id":"{6F0C1E4A-0000-4000-8000-000000000001}","kind":"text","text":"t"}])",
        R"([{"id":7,"kind":"text","text":"t"}])",
        R"([{"kind":"text","text":"t"}])",
        "",
    };
    for (const QByteArray& bytes : cases) {
        SCOPED_TRACE(bytes.toStdString());
        ShelfDesk d;
        writeBytes(d.shelfPath(), bytes);
        ShelfStore& store = d.loaded();
        EXPECT_TRUE(store.items().empty());
        EXPECT_EQ(store.fileState(), shelf::FileState::damaged);
        EXPECT_EQ(readBytes(d.shelfPath()), bytes);  // untouched until a change
        store.addText(QStringLiteral("nuevo"));
        EXPECT_EQ(summary(d.onDisk()), QStringList{"text:nuevo"});
        const QStringList aside =
            QDir(d.support())
                .entryList(QStringList{QStringLiteral("estante.json.damaged-*")}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(readBytes(QDir(d.support()).filePath(aside[0])), bytes);
        store.addText(QStringLiteral("otro"));  // kept aside once only
        EXPECT_EQ(QDir(d.support())
                      .entryList(QStringList{QStringLiteral("estante.json.damaged-*")}, QDir::Files)
                      .size(),
                  1);
    }
}

TEST_F(Shelf, ALoadThatFailsLaterLeavesTheShelfAsItIs) {
    ShelfStore& store = loaded();
    store.addText(QStringLiteral("queda"));
    writeBytes(shelfPath(), "garbage");
    store.load();
    EXPECT_EQ(summary(store.items()), QStringList{"text:queda"});
}

TEST_F(Shelf, AFolderAtTheFilesPlaceIsNeverReplaced) {
    QDir().mkpath(shelfPath());
    ShelfStore& store = loaded();
    EXPECT_EQ(store.fileState(), shelf::FileState::notRegular);
    store.addText(QStringLiteral("t"));
    EXPECT_TRUE(QFileInfo(shelfPath()).isDir());
    EXPECT_EQ(store.items().size(), 1u);  // still on the shelf while running
}

TEST(ShelfItemTest, IsImageFollowsTheExtension) {
    struct Case {
        std::optional<QString> path;
        bool image;
    };
    const Case cases[] = {
        {QStringLiteral("/a/captura.png"), true},
        {QStringLiteral("/a/foto.JPG"), true},
        {QStringLiteral("/a/dibujo.svg"), true},
        {QStringLiteral("/a/anim.gif"), true},
        {QStringLiteral("/a/nota.md"), false},
        {QStringLiteral("/a/informe.pdf"), false},
        {QStringLiteral("/a/sin-extension"), false},
        {QStringLiteral("/a/x.zzzunknown"), false},
        {std::nullopt, false},
    };
    for (const Case& c : cases) {
        ShelfItem item{QUuid::createUuid(), ShelfItem::Kind::file, c.path, std::nullopt};
        EXPECT_EQ(item.isImage(), c.image) << c.path.value_or("(none)").toStdString();
    }
}

// What a run killed in the middle of a save leaves beside the shelf is cleared at the next
// start: the save's temporary copy and a picture the shelf's file never came to name.
TEST_F(Shelf, TheLitterOfAnInterruptedSaveIsClearedAtStart) {
    ShelfStore& first = loaded();
    copyImage(shelfPng(1));
    first.addFromClipboard();
    ASSERT_EQ(first.items().size(), 1u);
    const QString kept = *first.items().front().path;
    store.reset();

    const QString leftover = shelfPath() + ".a1B2c3";
    const QString orphan = QDir(imagesPath()).filePath("imagen-1700000000000.png");
    const QString pictureLeftover = orphan + ".Q9w8E7";
    const QString notOurs = QDir(imagesPath()).filePath("foto de la playa.png");
    for (const QString& path : {leftover, orphan, pictureLeftover, notOurs}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("x");
    }
    loaded();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_FALSE(QFileInfo::exists(orphan));
    EXPECT_FALSE(QFileInfo::exists(pictureLeftover));
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    EXPECT_EQ(store->items().size(), 1u);
}

}  // namespace
}  // namespace quenda
