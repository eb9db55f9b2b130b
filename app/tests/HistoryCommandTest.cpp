#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "app/HistoryCommand.h"
#include "clipboard/HistoryFile.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

struct Listing {
    int status = 0;
    QString out, err;
};

Listing history(const QString& path, bool json) {
    Listing run;
    QTextStream out(&run.out), err(&run.err);
    run.status = printHistory(path, json, L10n::builtIn(), out, err, QTimeZone::utc());
    out.flush();
    err.flush();
    return run;
}

ClipItem item(ClipItem::Kind kind, double date) {
    ClipItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    item.date = date;
    return item;
}

class HistoryCommand : public ::testing::Test {
  protected:
    QTemporaryDir dir;
    QString path = dir.filePath("historial.json");

    void write(const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // A text pinned, an image whose file is there, one whose file is gone, a file list.
    std::vector<ClipItem> sample() {
        ClipItem text = item(ClipItem::Kind::text, 787000000.25);
        text.text = QStringLiteral("  hola\nmundo\x1b[31m %3 ");
        text.sourceApp = QStringLiteral("Mouse\tpad");
        text.pinned = true;
        ClipItem image = item(ClipItem::Kind::image, 786999000);
        const QString png = dir.filePath("captura-1.png");
        QFile file(png);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        image.paths = std::vector<QString>{png};
        ClipItem gone = item(ClipItem::Kind::image, 786998000);
        gone.paths = std::vector<QString>{dir.filePath("captura-0.png")};
        ClipItem files = item(ClipItem::Kind::files, 786997000);
        files.paths = std::vector<QString>{"/a/informe.pdf", "/a/notas.txt"};
        files.sourceApp = QStringLiteral("pcmanfm");
        return {text, image, gone, files};
    }
};

TEST_F(HistoryCommand, ListsKindDatePinSourceAndPreviewOneRowEach) {
    write(history::encode(sample()));
    const Listing run = history(path, false);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "text   2025-12-09 19:06:40  pinned  Mouse\\tpad        hola\\nmundo\\x1b[31m %3\n"
              "image  2025-12-09 18:50:00          -                 Imagen\n"
              "files  2025-12-09 18:16:40          pcmanfm           2 archivos: informe.pdf, "
              "notas.txt\n");
}

TEST_F(HistoryCommand, JsonHasTheStoredKeysOfTheItemsTheStoreKeeps) {
    const auto items = sample();
    write(history::encode(items));
    const Listing run = history(path, true);
    EXPECT_EQ(run.status, 0);
    const QJsonArray list = QJsonDocument::fromJson(run.out.toUtf8()).array();
    ASSERT_EQ(list.size(), 3);  // the image whose file is gone is left out
    const QJsonObject text = list[0].toObject();
    EXPECT_EQ(text.keys(), (QStringList{"date", "id", "kind", "pinned", "sourceApp", "text"}));
    EXPECT_EQ(text.value("id").toString(), items[0].id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(text.value("text").toString(), *items[0].text);
    EXPECT_EQ(text.value("date").toDouble(), 787000000.25);
    EXPECT_TRUE(text.value("pinned").toBool());
    EXPECT_EQ(list[1].toObject().keys(), (QStringList{"date", "id", "kind", "paths", "pinned"}));
    EXPECT_EQ(list[2].toObject().value("paths").toArray(),
              (QJsonArray{"/a/informe.pdf", "/a/notas.txt"}));
    EXPECT_EQ(run.out, QString::fromUtf8(history::encode({items[0], items[1], items[3]})) + "\n");
}

TEST_F(HistoryCommand, NoHistoryYetListsNothing) {
    EXPECT_EQ(history(path, false).out, "");
    const Listing json = history(path, true);
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.out, "[]\n");
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(HistoryCommand, ADamagedOrUnreadableFileIsSaidInOneLineAndListsNothing) {
    write("[{\"id\": 1}]");
    for (const bool json : {false, true}) {
        const Listing run = history(path, json);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.count('\n'), 1);
        EXPECT_TRUE(run.err.startsWith("quenda: the clipboard history " + path + " is damaged"))
            << run.err.toStdString();
    }
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    const Listing fifo = history(path, false);  // returns at once: a pipe is never opened to read
    EXPECT_EQ(fifo.status, 1);
    EXPECT_TRUE(fifo.err.contains("is not a regular file"));
}

}  // namespace
}  // namespace quenda
