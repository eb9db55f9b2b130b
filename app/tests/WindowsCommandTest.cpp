#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/WindowsCommand.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

TEST(WindowsCommand, JsonListsPidAppTitleAndFrameFrontToBack) {
    SimDesktop d;
    d.load(
        "102 Terminal 'sh — ñ' 100,120 600x400 *; 101 Safari 'Docs' 0,25 720x875; "
        "103 Mail 'gone' 0,0 500x500 min");
    QString text;
    QTextStream out(&text);
    printWindows(AX(d), true, out);
    out.flush();
    const QJsonArray list = QJsonDocument::fromJson(text.toUtf8()).array();
    ASSERT_EQ(list.size(), 2);
    const QJsonObject first = list[0].toObject();
    EXPECT_EQ(first.value("pid").toInt(), 102);
    EXPECT_EQ(first.value("app").toString(), "Terminal");
    EXPECT_EQ(first.value("title").toString(), QString::fromUtf8("sh — ñ"));
    EXPECT_EQ(first.value("frame").toArray(), (QJsonArray{100, 120, 600, 400}));
    EXPECT_EQ(list[1].toObject().value("title").toString(), "Docs");
}

TEST(WindowsCommand, TextHasOneLinePerWindow) {
    SimDesktop d;
    d.load("101 Safari 'Docs' 0,25 720x875");
    QString text;
    QTextStream out(&text);
    printWindows(AX(d), false, out);
    out.flush();
    EXPECT_EQ(text.count('\n'), 1);
    EXPECT_TRUE(text.contains("Safari"));
    EXPECT_TRUE(text.contains("0,25 720x875"));
    EXPECT_TRUE(text.trimmed().endsWith("Docs"));
}

// Titles and names come from other programs: in text they reach the terminal escaped, one row
// per window whatever they hold; JSON carries them as they are.
TEST(WindowsCommand, TitlesWithControlCharactersCannotForgeRowsOrReachTheTerminal) {
    SimDesktop d;
    const auto ids = d.load("101 Safari 'x' 0,25 720x875; 102 Term 'y' 10,10 300x200");
    d.window(ids[0]).title =
        QStringLiteral("\x1b]0;owned\x07\x1b[31mred\n4242  Fake  0,0 1x1  row");
    d.window(ids[1]).title = QStringLiteral("100% %3 C:\\tmp");
    QString text;
    QTextStream out(&text);
    printWindows(AX(d), false, out);
    out.flush();
    const QStringList rows = text.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 2) << text.toStdString();
    EXPECT_FALSE(text.contains(QChar(0x1b)));
    EXPECT_FALSE(text.contains(QChar(0x07)));
    EXPECT_TRUE(rows[0].endsWith(
        QStringLiteral("\\x1b]0;owned\\x07\\x1b[31mred\\n4242  Fake  0,0 1x1  row")))
        << rows[0].toStdString();
    EXPECT_TRUE(rows[1].endsWith(QStringLiteral("10,10 300x200  100% %3 C:\\\\tmp")))
        << rows[1].toStdString();

    QString json;
    QTextStream jsonOut(&json);
    printWindows(AX(d), true, jsonOut);
    jsonOut.flush();
    const QJsonArray list = QJsonDocument::fromJson(json.toUtf8()).array();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].toObject().value("title").toString(), d.window(ids[0]).title.value());
}

}  // namespace
}  // namespace quenda
