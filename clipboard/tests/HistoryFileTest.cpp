#include <gtest/gtest.h>

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "clipboard/ClipItem.h"
#include "clipboard/HistoryFile.h"
#include "clipboard/tests/ClipboardDesk.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

using testing::writeAll;

ClipItem filesItem(std::vector<QString> paths) {
    ClipItem item;
    item.kind = ClipItem::Kind::files;
    item.paths = std::move(paths);
    return item;
}

// A hand-edited date beyond any calendar reads as a far but defined moment, never as an
// overflowed conversion.
TEST(ClipItem, DatesOutsideAnyCalendarAreHeldToOne) {
    for (const double date : {1e308, -1e308, 1e12, -1e12}) {
        ClipItem item{.id = QUuid::createUuid(), .kind = ClipItem::Kind::text, .date = date};
        const QDateTime when = item.dateTime();
        EXPECT_TRUE(when.isValid()) << date;
        EXPECT_LT(std::abs(when.date().year()), 6000) << date;
        EXPECT_EQ(when > QDateTime::currentDateTimeUtc(), date > 0) << date;
    }
}

TEST(ClipItem, PreviewIsOneLineForEveryKind) {
    const L10n l10n = L10n::builtIn();
    ClipItem text;
    text.text = QStringLiteral("  \n\thola mundo\n línea dos \r\n");
    EXPECT_EQ(text.preview(l10n), QString::fromUtf8("hola mundo\n línea dos"));

    text.text = QString(10, QLatin1Char(' ')) + QString(500, QLatin1Char('x'));
    EXPECT_EQ(text.preview(l10n), QString(400, QLatin1Char('x')));
    text.text.reset();
    EXPECT_EQ(text.preview(l10n), "");

    ClipItem image;
    image.kind = ClipItem::Kind::image;
    image.paths = std::vector<QString>{QStringLiteral("/tmp/captura-1.png")};
    EXPECT_EQ(image.preview(l10n), "Imagen");

    const struct {
        std::vector<QString> paths;
        const char* preview;
    } files[] = {
        {{"/home/ana/informe.pdf"}, "informe.pdf"},
        {{"/home/ana/fotos/"}, "fotos"},  // a folder
        {{"/a/1.txt", "/a/2.txt"}, "2 archivos: 1.txt, 2.txt"},
        {{"/a/1", "/a/2", "/a/3", "/a/4", "/a/5", "/a/6"}, "6 archivos: 1, 2, 3, 4"},
    };
    for (const auto& c : files) EXPECT_EQ(filesItem(c.paths).preview(l10n), c.preview);
}

TEST(ClipItem, UrlsAreFileUrlsInOrder) {
    const ClipItem item = filesItem({"/home/ana/a b.txt", "/tmp/ñ"});
    ASSERT_EQ(item.urls().size(), 2u);
    EXPECT_EQ(item.urls()[0].toString(), "file:///home/ana/a b.txt");
    EXPECT_EQ(item.urls()[1].toLocalFile(), QString::fromUtf8("/tmp/ñ"));
    EXPECT_TRUE(ClipItem().urls().empty());
}

TEST(ClipItem, FirstCharactersNeverSplitsASurrogatePair) {
    const QString emoji = QString::fromUtf8("ab😀");
    EXPECT_EQ(firstCharacters(emoji, 3), "ab");
    EXPECT_EQ(firstCharacters(emoji, 4), emoji);
    EXPECT_EQ(firstCharacters(emoji, 10), emoji);
}

// The file as the store writes it: keys in this order, only the optional ones the item has,
// upper-case ids, dates as seconds since 2001, compact.
TEST(HistoryFile, EncodesTheKeysInOrderAndOnlyWhenPresent) {
    ClipItem text;
    text.id = QUuid::fromString(QStringLiteral("{6f1c2a8e-1b2c-4d3e-8f90-a1b2c3d4e5f6}"));
    text.text = QStringLiteral("línea \"1\"\n\t\\ /x\x01");
    text.sourceApp = QStringLiteral("Mousepad");
    text.date = 787000000.25;
    text.pinned = true;
    ClipItem files = filesItem({"/home/ana/a.txt", "/home/ana/b c.txt"});
    files.id = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-0000000000AB"));
    files.date = 1;
    const QByteArray expected = QByteArray(
        R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text",)"
        R"("text":"línea \"1\"\n\t\\ /x\u0001","sourceApp":"Mousepad","date":787000000.25,)"
        R"("pinned":true},)"
        R"({"id":"00000000-0000-0000-0000-0000000000AB","kind":"files",)"
        R"("paths":["/home/ana/a.txt","/home/ana/b c.txt"],"date":1,"pinned":false}])");
    EXPECT_EQ(QString::fromUtf8(history::encode({text, files})), QString::fromUtf8(expected));
    EXPECT_EQ(history::encode({}), "[]");

    const auto back = history::decode(expected);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0], text);
    EXPECT_EQ((*back)[1], files);
}

TEST(HistoryFile, DatesReadBackExactly) {
    for (const double date : {0.0, 786543210.123456, -1.5, 1e-6, 2e9 + 0.1}) {
        ClipItem item;
        item.id = QUuid::createUuid();
        item.text = QStringLiteral("x");
        item.date = date;
        const auto back = history::decode(history::encode({item}));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->front().date, date);
    }
    ClipItem item;
    item.date = 787000000.25;
    EXPECT_EQ(item.dateTime(), QDateTime(QDate(2025, 12, 9), QTime(19, 6, 40, 250), Qt::UTC));
}

// What another writer may produce: keys in another order, lower-case ids, null for an absent
// optional key, keys this program does not know.
TEST(HistoryFile, ReadsKeysInAnyOrder) {
    const QByteArray sample = R"([
      {"pinned": false, "date": 786000000, "kind": "image", "sourceApp": null,
       "paths": ["/x/imagenes/captura-1.png"], "id": "a3f1c2a8-1b2c-4d3e-8f90-a1b2c3d4e5f6",
       "thumbnail": "ignored"},
      {"text": "hola", "kind": "text", "id": "B3F1C2A8-1B2C-4D3E-8F90-A1B2C3D4E5F6",
       "date": 785999999.5, "pinned": true, "sourceApp": "Firefox"}
    ])";
    const auto items = history::decode(sample);
    ASSERT_TRUE(items);
    ASSERT_EQ(items->size(), 2u);
    const ClipItem& image = (*items)[0];
    EXPECT_EQ(image.kind, ClipItem::Kind::image);
    EXPECT_EQ(image.id.toString(QUuid::WithoutBraces), "a3f1c2a8-1b2c-4d3e-8f90-a1b2c3d4e5f6");
    EXPECT_EQ(image.paths, std::vector<QString>{"/x/imagenes/captura-1.png"});
    EXPECT_FALSE(image.sourceApp);
    EXPECT_FALSE(image.text);
    EXPECT_EQ(image.date, 786000000);
    const ClipItem& text = (*items)[1];
    EXPECT_EQ(text.text, "hola");
    EXPECT_EQ(text.sourceApp, "Firefox");
    EXPECT_TRUE(text.pinned);
    EXPECT_EQ(text.date, 785999999.5);
    // Written back in the store's own form.
    EXPECT_TRUE(history::encode(*items).startsWith(
        R"([{"id":"A3F1C2A8-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"image","paths":[)"));
}

TEST(HistoryFile, AnythingButAHistoryDecodesAsNothing) {
    const QByteArray good =
        R"({"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","text":"a","date":1,"pinned":false})";
    ASSERT_TRUE(history::decode("[" + good + "]"));
    const struct {
        const char* why;
        QByteArray bytes;
    } cases[] = {
        {"empty", ""},
        {"not JSON", "hola"},
        {"cut short", "[" + good},
        {"an object", good},
        {"an element that is not an object", "[" + good + ", 3]"},
        {"missing id", R"([{"kind":"text","date":1,"pinned":false}])"},
        {"missing kind",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","date":1,"pinned":false}])"},
        {"missing date",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","pinned":false}])"},
        {"missing pinned",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","date":1}])"},
        {"unknown kind",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"video","date":1,"pinned":false}])"},
        {"date as text",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","date":"1","pinned":false}])"},
        {"pinned as number",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","date":1,"pinned":1}])"},
        {"text as number",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","text":5,"date":1,"pinned":false}])"},
        {"paths as text",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"files","paths":"/a","date":1,"pinned":false}])"},
        {"a path that is not text",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"files","paths":["/a",2],"date":1,"pinned":false}])"},
        {"sourceApp as object",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":"text","sourceApp":{},"date":1,"pinned":false}])"},
        {"id not a UUID", R"([{"id":"hola","kind":"text","date":1,"pinned":false}])"},
        {"id in braces",
         R"([{"id":"{6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6}","kind":"text","date":1,"pinned":false}])"},
        {"id as number", R"([{"id":7,"kind":"text","date":1,"pinned":false}])"},
        {"kind null",
         R"([{"id":"6F1C2A8E-1B2C-4D3E-8F90-A1B2C3D4E5F6","kind":null,"date":1,"pinned":false}])"},
    };
    for (const auto& c : cases) EXPECT_FALSE(history::decode(c.bytes)) << c.why;
}

}  // namespace
}  // namespace quenda
