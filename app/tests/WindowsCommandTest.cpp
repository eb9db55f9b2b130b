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

}  // namespace
}  // namespace quenda
