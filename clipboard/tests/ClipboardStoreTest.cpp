#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFileInfo>

#include "clipboard/tests/ClipboardDesk.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

using testing::ClipboardDesk;
using testing::HeldPasteboard;
using testing::offer;
using testing::pngBytes;
using testing::readAll;
using testing::writeAll;

QStringList texts(const ClipboardStore& store) {
    QStringList out;
    for (const ClipItem& item : store.items()) out << item.text.value_or(QStringLiteral("-"));
    return out;
}

// The history as the file holds it.
std::vector<ClipItem> onDisk(const ClipboardDesk& d) {
    return history::decode(readAll(d.historyPath())).value_or(std::vector<ClipItem>{});
}

class Store : public ::testing::Test, public ClipboardDesk {};

TEST_F(Store, RecordsATextWithItsSourceAndDateAndSavesAtOnce) {
    ClipboardStore& store = started();
    clock.advance(2.5);
    copyText(QStringLiteral("  hola\n"));
    ASSERT_EQ(store.items().size(), 1u);
    const ClipItem& item = store.items().front();
    EXPECT_EQ(item.kind, ClipItem::Kind::text);
    EXPECT_EQ(item.text, "  hola\n");  // as copied, not trimmed
    EXPECT_FALSE(item.paths);
    EXPECT_EQ(item.sourceApp, "Mousepad");
    EXPECT_EQ(item.date, kStart + 2.5 - ClipItem::kReferenceDateInUnixTime);
    EXPECT_FALSE(item.pinned);
    EXPECT_FALSE(item.id.isNull());
    EXPECT_EQ(onDisk(*this), store.items());
    EXPECT_EQ(QFileInfo(historyPath()).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                  QFileDevice::WriteUser);
    EXPECT_EQ(store.lastChange(), board.changeCount());
}

TEST_F(Store, WithoutAnApplicationInFrontTheSourceIsAbsent) {
    ClipboardStore& store = started();
    desktop.frontmost.reset();
    copyText(QStringLiteral("a"));
    desktop.frontmost = 999;  // no such application
    copyText(QStringLiteral("b"));
    ASSERT_EQ(store.items().size(), 2u);
    EXPECT_FALSE(store.items()[0].sourceApp);
    EXPECT_FALSE(store.items()[1].sourceApp);
    EXPECT_FALSE(readAll(historyPath()).contains("sourceApp"));
}

TEST_F(Store, WhatIsOnTheClipboardAtStartIsNotRecorded) {
    copyText(QStringLiteral("antes"));
    ClipboardStore& store = started();
    EXPECT_TRUE(store.items().empty());
    store.poll();  // nothing new
    EXPECT_TRUE(store.items().empty());
    EXPECT_FALSE(QFileInfo::exists(historyPath()));
    copyText(QStringLiteral("después"));
    EXPECT_EQ(texts(store), QStringList{QString::fromUtf8("después")});
}

TEST_F(Store, CopyingTheSameTextAgainMovesItToTheTopAndKeepsItsPin) {
    ClipboardStore& store = started();
    copyText(QStringLiteral("uno"));
    clock.advance(1);
    copyText(QStringLiteral("dos"));
    store.togglePin(store.items()[1].id);  // "uno" pinned
    clock.advance(1);
    copyText(QStringLiteral("tres"));
    EXPECT_EQ(texts(store), (QStringList{"tres", "dos", "uno"}));

    const QUuid oldId = store.items()[2].id;
    clock.advance(1);
    copyText(QStringLiteral("uno"));
    EXPECT_EQ(texts(store), (QStringList{"uno", "tres", "dos"}));
    const ClipItem& top = store.items().front();
    EXPECT_NE(top.id, oldId);  // the new capture, with its own id and date
    EXPECT_EQ(top.date, kStart + 3 - ClipItem::kReferenceDateInUnixTime);
    EXPECT_TRUE(top.pinned);

    // Twice in a row: one item.
    copyText(QStringLiteral("uno"));
    EXPECT_EQ(texts(store), (QStringList{"uno", "tres", "dos"}));
    EXPECT_TRUE(store.items().front().pinned);
    EXPECT_EQ(onDisk(*this), store.items());
}

TEST_F(Store, FileListsMatchByTheirPathsInOrder) {
    ClipboardStore& store = started();
    copyFiles({"/a/1", "/a/2"});
    copyFiles({"/a/2", "/a/1"});
    copyFiles({"/a/1", "/a/2"});
    ASSERT_EQ(store.items().size(), 2u);
    EXPECT_EQ(store.items()[0].paths, (std::vector<QString>{"/a/1", "/a/2"}));
    EXPECT_EQ(store.items()[1].paths, (std::vector<QString>{"/a/2", "/a/1"}));
    // A text naming the same thing is another copy.
    copyText(QStringLiteral("/a/1"));
    EXPECT_EQ(store.items().size(), 3u);
}

// The same image copied twice, within the same millisecond: two items, two files, neither
// replacing the other.
TEST_F(Store, EveryImageIsANewItemWithAFileOfItsOwn) {
    ClipboardStore& store = started();
    copyImage(pngBytes(1));
    copyImage(pngBytes(1));
    ASSERT_EQ(store.items().size(), 2u);
    const QString stem = QStringLiteral("captura-%1").arg(qint64(kStart * 1000));
    EXPECT_EQ(images(), (QStringList{stem + "-2.png", stem + ".png"}));
    for (const ClipItem& item : store.items()) {
        EXPECT_EQ(item.kind, ClipItem::Kind::image);
        ASSERT_TRUE(item.paths);
        ASSERT_EQ(item.paths->size(), 1u);
        EXPECT_EQ(readAll(item.paths->front()), pngBytes(1));
        EXPECT_FALSE(item.text);
    }
    EXPECT_EQ(store.items()[0].paths->front(), QDir(imagesPath()).filePath(stem + "-2.png"));
    EXPECT_EQ(store.items()[1].paths->front(), QDir(imagesPath()).filePath(stem + ".png"));
    clock.advance(0.0015);
    copyImage(pngBytes(2));
    EXPECT_TRUE(store.items()[0].paths->front().endsWith(
        QStringLiteral("captura-%1.png").arg(qint64(kStart * 1000) + 1)));
}

TEST_F(Store, FilesWinOverTextAndImageAndTextOverImage) {
    ClipboardStore& store = started();
    board.copy(offer({"text/uri-list", "text/plain", "image/png"}, QStringLiteral("informe.pdf"),
                     {"/home/ana/informe.pdf"}, pngBytes()));
    ASSERT_EQ(store.items().size(), 1u);
    EXPECT_EQ(store.items()[0].kind, ClipItem::Kind::files);
    EXPECT_EQ(store.items()[0].paths, std::vector<QString>{"/home/ana/informe.pdf"});
    EXPECT_FALSE(store.items()[0].text);

    board.copy(offer({"text/plain", "image/png"}, QStringLiteral("t"), {}, pngBytes()));
    EXPECT_EQ(store.items()[0].kind, ClipItem::Kind::text);
    EXPECT_TRUE(images().isEmpty());
}

TEST_F(Store, BlankTextIsNotRecordedButAnImageBesideItIs) {
    ClipboardStore& store = started();
    copyText(QStringLiteral(" \n\t\r\n "));
    copyText(QString());
    EXPECT_TRUE(store.items().empty());
    EXPECT_FALSE(QFileInfo::exists(historyPath()));

    board.copy(offer({"text/plain", "image/png"}, QStringLiteral("  \n"), {}, pngBytes()));
    ASSERT_EQ(store.items().size(), 1u);
    EXPECT_EQ(store.items()[0].kind, ClipItem::Kind::image);
    EXPECT_EQ(images().size(), 1);
}

TEST_F(Store, NothingUsableOrAnEmptiedClipboardRecordsNothing) {
    ClipboardStore& store = started();
    board.copy(offer({"application/x-foo"}));
    board.copy(offer({"image/png"}, std::nullopt, {}, QByteArray("GIF89a not a png")));
    board.copy(offer({"image/png"}, std::nullopt, {}, QByteArray()));
    copyText(QStringLiteral("x"));
    board.clear();  // the owner went away
    EXPECT_EQ(texts(store), QStringList{"x"});
    EXPECT_TRUE(images().isEmpty());
    EXPECT_EQ(store.lastChange(), board.changeCount());
}

// A copy that carries any of these markers is never recorded, not even later: its change
// is consumed.
TEST_F(Store, PrivateCopiesAreNeverRecorded) {
    ClipboardStore& store = started();
    QStringList markers = ClipboardStore::ignoredTypes();
    EXPECT_EQ(markers.size(), 5);
    markers << "x-kde-passwordManagerHint"
            << "application/x-copyq-hidden"
            << "application/x-copyq-secret";
    for (const QString& marker : markers) {
        SCOPED_TRACE(marker.toStdString());
        EXPECT_TRUE(ClipboardStore::privateTypes().contains(marker));
        board.copy(offer({"text/plain", marker}, QStringLiteral("contraseña")));
        board.copy(offer({marker, "image/png"}, std::nullopt, {}, pngBytes()));
        board.copy(offer({"text/uri-list", marker}, std::nullopt, {"/secret"}));
        store.poll();
        EXPECT_TRUE(store.items().empty());
        EXPECT_EQ(store.lastChange(), board.changeCount());
    }
    EXPECT_TRUE(images().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(historyPath()));
    copyText(QStringLiteral("pública"));
    EXPECT_EQ(texts(store), QStringList{QString::fromUtf8("pública")});
    EXPECT_FALSE(readAll(historyPath()).contains(QString::fromUtf8("contraseña").toUtf8()));
}

TEST_F(Store, ATextIsKeptToItsFirst300000Characters) {
    ClipboardStore& store = started();
    const QString text = QString(299999, QLatin1Char('a')) + QStringLiteral("bc");
    copyText(text);
    ASSERT_EQ(store.items().size(), 1u);
    EXPECT_EQ(store.items()[0].text->size(), 300000);
    EXPECT_EQ(*store.items()[0].text, text.left(300000));
    // An answer longer than asked for is cut by the store too, never inside a character.
    struct Generous : SimPasteboard {
        void read(const PasteboardRead& what,
                  std::function<void(PasteboardContent)> done) override {
            PasteboardRead all = what;
            all.maxTextLength = -1;
            SimPasteboard::read(all, std::move(done));
        }
    } generous;
    ClipboardDesk other;
    ClipboardStore& second = other.started(&generous);
    generous.copy(offer({}, QString(299999, QLatin1Char('a')) + QString::fromUtf8("😀z")));
    ASSERT_EQ(second.items().size(), 1u);
    EXPECT_EQ(*second.items()[0].text, QString(299999, QLatin1Char('a')));
}

// 300 unpinned items and 5 pinned ones: a new copy drops the oldest unpinned item, and the
// PNG file of that item when it is an image.
TEST_F(Store, TrimmingKeeps300UnpinnedItemsAndEveryPinnedOne) {
    ClipboardStore& store = started();
    for (int i = 0; i < 5; ++i) {
        copyText(QStringLiteral("fijo %1").arg(i));
        store.togglePin(store.items()[0].id);
    }
    copyImage(pngBytes(0));  // the oldest unpinned item
    const QString oldestFile = store.items()[0].paths->front();
    for (int i = 1; i < 300; ++i) {
        clock.advance(0.01);
        copyText(QString::number(i));
    }
    // The five pinned ones do not count: 300 unpinned (the image among them) + 5.
    ASSERT_EQ(store.items().size(), 305u);
    EXPECT_EQ(store.items()[299].kind, ClipItem::Kind::image);
    EXPECT_TRUE(QFileInfo::exists(oldestFile));

    copyText(QStringLiteral("nuevo"));
    ASSERT_EQ(store.items().size(), 305u);
    EXPECT_FALSE(QFileInfo::exists(oldestFile));
    EXPECT_TRUE(images().isEmpty());
    EXPECT_EQ(store.items()[0].text, "nuevo");
    EXPECT_EQ(store.items()[299].text, "1");
    const QStringList all = texts(store);
    EXPECT_EQ(all.mid(300), (QStringList{"fijo 4", "fijo 3", "fijo 2", "fijo 1", "fijo 0"}));
    for (int i = 300; i < 305; ++i) EXPECT_TRUE(store.items()[size_t(i)].pinned);
    EXPECT_EQ(onDisk(*this), store.items());

    // Copying a pinned text again brings it to the top, still pinned; nothing else goes.
    copyText(QStringLiteral("fijo 0"));
    EXPECT_EQ(store.items().size(), 305u);
    EXPECT_EQ(store.items()[0].text, "fijo 0");
    EXPECT_TRUE(store.items()[0].pinned);
    EXPECT_EQ(store.items()[300].text, "1");
}

TEST_F(Store, PinningDeletingAndClearing) {
    ClipboardStore& store = started();
    int published = 0;
    store.observe([&] { ++published; });
    copyText(QStringLiteral("a"));
    copyImage(pngBytes(1));
    copyText(QStringLiteral("b"));
    EXPECT_EQ(published, 3);
    const QString image = store.items()[1].paths->front();

    store.togglePin(QUuid::createUuid());  // unknown: nothing
    store.deleteItem(QUuid::createUuid());
    EXPECT_EQ(published, 3);

    store.togglePin(store.items()[2].id);
    EXPECT_TRUE(store.items()[2].pinned);
    EXPECT_TRUE(onDisk(*this)[2].pinned);
    store.togglePin(store.items()[2].id);
    EXPECT_FALSE(store.items()[2].pinned);
    store.togglePin(store.items()[2].id);

    store.deleteItem(store.items()[1].id);  // the image, and its file
    EXPECT_EQ(texts(store), (QStringList{"b", "a"}));
    EXPECT_FALSE(QFileInfo::exists(image));

    copyImage(pngBytes(2));
    const QString second = store.items()[0].paths->front();
    store.clearUnpinned();
    EXPECT_EQ(texts(store), QStringList{"a"});
    EXPECT_FALSE(QFileInfo::exists(second));
    EXPECT_EQ(onDisk(*this), store.items());
    EXPECT_EQ(published, 9);
}

// An image item of a history file edited by hand may name any file: only the store's own
// images are ever deleted.
TEST_F(Store, DeletingAnImageTouchesOnlyTheStoresOwnFiles) {
    const QString outside = QDir(folders.home.path()).filePath("tesis.pdf");
    writeAll(outside, "mi tesis");
    ClipItem item;
    item.id = QUuid::createUuid();
    item.kind = ClipItem::Kind::image;
    QDir().mkpath(imagesPath());
    item.paths = std::vector<QString>{outside, imagesPath() + "/../../tesis.pdf"};
    writeAll(historyPath(), history::encode({item}));
    ClipboardStore& store = started();
    ASSERT_EQ(store.items().size(), 1u);
    store.deleteItem(item.id);
    EXPECT_TRUE(store.items().empty());
    EXPECT_EQ(readAll(outside), "mi tesis");
}

TEST_F(Store, LoadingDropsImagesWhoseFileIsGoneAndKeepsTheRest) {
    ClipboardStore& first = started();
    copyFiles({"/no/such/file"});
    copyImage(pngBytes(1));
    copyImage(pngBytes(2));
    copyText(QStringLiteral("t"));
    ClipItem noPaths;
    noPaths.id = QUuid::createUuid();
    noPaths.kind = ClipItem::Kind::image;
    auto saved = first.items();
    saved.push_back(noPaths);
    writeAll(historyPath(), history::encode(saved));
    ASSERT_TRUE(QFile::remove(saved[1].paths->front()));
    const QByteArray before = readAll(historyPath());

    ClipboardStore& second = started();  // a new run
    ASSERT_EQ(second.items().size(), 4u);
    EXPECT_EQ(second.items()[0], saved[0]);
    EXPECT_EQ(second.items()[1], saved[2]);
    EXPECT_EQ(second.items()[2], saved[3]);     // its files are gone, it stays
    EXPECT_EQ(second.items()[3], saved[4]);     // no paths: nothing to miss
    EXPECT_EQ(readAll(historyPath()), before);  // loading does not save
    EXPECT_EQ(second.fileState(), history::FileState::good);
}

// Keys in another order, as another writer would put them: read, then written back in the
// store's own order when something changes.
TEST_F(Store, AHistoryWithKeysInAnotherOrderIsReadAndRewrittenInItsOwnForm) {
    writeAll(historyPath(), R"([{"pinned":true,"date":786000000.5,"text":"fijado",)"
                            R"("kind":"text","id":"a3f1c2a8-1b2c-4d3e-8f90-a1b2c3d4e5f6"}])");
    ClipboardStore& store = started();
    ASSERT_EQ(texts(store), QStringList{"fijado"});
    store.clearUnpinned();  // nothing to clear, written all the same
    EXPECT_EQ(readAll(historyPath()),
              R"([{"id":"A3F1C2A8-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","text":"fijado",)"
              R"("date":786000000.5,"pinned":true}])");
}

// A newer change that arrives while an answer is on its way: the late answer is dropped and
// the newest copy read, so what is recorded is what is on the clipboard now.
TEST_F(Store, ALateAnswerIsNeverRecordedAfterANewerCopy) {
    HeldPasteboard held(board);
    ClipboardStore& store = started(&held);
    copyText(QStringLiteral("primero"));
    ASSERT_EQ(held.held(), 1u);
    copyText(QStringLiteral("segundo"));
    copyText(QStringLiteral("tercero"));
    EXPECT_EQ(held.held(), 1u);  // one read at a time
    held.answer();               // "primero", too late
    EXPECT_TRUE(store.items().empty());
    ASSERT_EQ(held.held(), 1u);  // read again, for the newest
    held.answer();
    EXPECT_EQ(texts(store), QStringList{"tercero"});
    EXPECT_EQ(store.lastChange(), board.changeCount());

    // Answers in time are all recorded, in order.
    copyText(QStringLiteral("cuarto"));
    held.answer();
    copyText(QStringLiteral("quinto"));
    held.answer();
    EXPECT_EQ(texts(store), (QStringList{"quinto", "cuarto", "tercero"}));
    EXPECT_EQ(held.held(), 0u);
}

TEST_F(Store, AnAnswerArrivingAfterTheStoreIsGoneIsDropped) {
    HeldPasteboard held(board);
    started(&held);
    copyText(QStringLiteral("x"));
    store.reset();
    held.answer();  // must not touch the store
    EXPECT_FALSE(QFileInfo::exists(historyPath()));
    copyText(QStringLiteral("y"));  // nor does a change
    EXPECT_EQ(held.held(), 0u);
}

// A history file that is not a history gives an empty history; it stays as it is until the
// next capture, which keeps it aside (the user's alone) before writing the new history.
TEST_F(Store, ADamagedHistoryIsKeptAsideAtTheNextCapture) {
    const struct {
        const char* why;
        QByteArray bytes;
    } cases[] = {
        {"not JSON", "{{{ no es JSON"},
        {"missing key", R"([{"kind":"text","text":"a","date":1,"pinned":false}])"},
        {"unknown kind",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"rtf","date":1,"pinned":false}])"},
        {"wrong type",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","date":1,"pinned":"no"}])"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ClipboardDesk d;
        writeAll(d.historyPath(), c.bytes);
        QFile::setPermissions(d.historyPath(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ReadOther);
        ClipboardStore& store = d.started();
        EXPECT_TRUE(store.items().empty());
        EXPECT_EQ(store.fileState(), history::FileState::damaged);
        store.poll();
        EXPECT_EQ(readAll(d.historyPath()), c.bytes);

        d.copyText(QStringLiteral("nuevo"));
        EXPECT_EQ(texts(store), QStringList{"nuevo"});
        EXPECT_EQ(d.onDiskTexts(), QStringList{"nuevo"});
        const QStringList aside = QDir(d.support()).entryList({"historial.json.damaged-*"});
        ASSERT_EQ(aside.size(), 1);
        const QString asidePath = QDir(d.support()).filePath(aside[0]);
        EXPECT_EQ(readAll(asidePath), c.bytes);
        EXPECT_EQ(QFileInfo(asidePath).permissions(),
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                      QFileDevice::WriteUser);
        EXPECT_EQ(store.fileState(), history::FileState::good);

        d.copyText(QStringLiteral("otro"));  // kept aside once
        EXPECT_EQ(QDir(d.support()).entryList({"historial.json.damaged-*"}).size(), 1);
    }
}

// A pipe or a device where the history should be is never opened for reading (that would
// wait for a writer) nor replaced; a file too large to be a history is not read nor replaced.
TEST_F(Store, WhatIsNotAHistoryFileIsNeitherReadNorReplaced) {
    {
        ClipboardDesk d;
        QDir().mkpath(d.support());
        ASSERT_EQ(::mkfifo(QFile::encodeName(d.historyPath()).constData(), 0600), 0);
        ClipboardStore& store = d.started();
        EXPECT_EQ(store.fileState(), history::FileState::notRegular);
        d.copyText(QStringLiteral("a"));
        EXPECT_EQ(texts(store), QStringList{"a"});  // recorded, in memory
        EXPECT_FALSE(QFileInfo(d.historyPath()).isFile());
        // Once it is gone, the history is saved again.
        ASSERT_TRUE(QFile::remove(d.historyPath()));
        d.copyText(QStringLiteral("b"));
        EXPECT_EQ(d.onDiskTexts(), (QStringList{"b", "a"}));
    }
    {
        ClipboardDesk d;
        QDir().mkpath(d.support());
        {
            QFile big(d.historyPath());
            ASSERT_TRUE(big.open(QIODevice::WriteOnly));
            ASSERT_TRUE(big.resize(history::kMaxFileBytes + 1));  // sparse: costs no disk
        }
        ClipboardStore& store = d.started();
        EXPECT_EQ(store.fileState(), history::FileState::tooLarge);
        d.copyText(QStringLiteral("a"));
        EXPECT_EQ(QFileInfo(d.historyPath()).size(), history::kMaxFileBytes + 1);
    }
    {
        ClipboardDesk d;
        QDir().mkpath(d.historyPath());  // a folder
        ClipboardStore& store = d.started();
        EXPECT_EQ(store.fileState(), history::FileState::notRegular);
        d.copyText(QStringLiteral("a"));
        EXPECT_TRUE(QFileInfo(d.historyPath()).isDir());
    }
}

// A run killed in the middle of a save leaves the save's temporary copy, or a picture the
// history never came to name; the next start clears them and nothing else.
TEST_F(Store, TheLitterOfAnInterruptedSaveIsClearedAtStart) {
    ClipboardStore& first = started();
    copyImage(pngBytes(1));
    ASSERT_EQ(first.items().size(), 1u);
    const QString kept = first.items().front().paths->front();
    store.reset();

    const QString leftover = historyPath() + ".Ab12Cd";
    const QString pictureLeftover = QDir(imagesPath()).filePath("x.png.Zz9yY8");
    const QString orphan = QDir(imagesPath()).filePath("orphan.png");
    const QString notOurs = QDir(support()).filePath("notas.txt");
    const QString notALeftover = historyPath() + ".damaged-20260131-142501";
    for (const QString& path : {leftover, pictureLeftover, orphan, notOurs, notALeftover})
        writeAll(path, "x");

    started();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_FALSE(QFileInfo::exists(pictureLeftover));
    EXPECT_FALSE(QFileInfo::exists(orphan));
    EXPECT_TRUE(QFileInfo::exists(kept));
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    EXPECT_TRUE(QFileInfo::exists(notALeftover));
    EXPECT_EQ(store->items().size(), 1u);

    // A damaged history may name pictures: they stay.
    store.reset();
    writeAll(historyPath(), "[not json");
    writeAll(orphan, "x");
    started();
    EXPECT_TRUE(QFileInfo::exists(orphan));
    EXPECT_TRUE(QFileInfo::exists(kept));
}

}  // namespace
}  // namespace quenda
