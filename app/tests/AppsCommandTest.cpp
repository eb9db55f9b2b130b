#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "app/AppsCommand.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

// Started in this order: a regular application with an entry, a panel, one known only by
// its window class' name.
struct AppsCommand : ::testing::Test {
    AppsCommand() {
        SimApp& xterm = d.app(300, "XTerm");
        xterm.bundleID = "debian-xterm";
        SimApp& panel = d.app(200, "Panel");
        panel.bundleID = "org.example.Panel";
        panel.kind = ApplicationKind::accessory;
        d.app(100, "QuendaTest");
        d.app(400, "Gone").terminated = true;
    }
    QString print(bool json) {
        QString text;
        QTextStream out(&text);
        printApplications(d, json, out);
        out.flush();
        return text;
    }
    SimDesktop d;
};

TEST_F(AppsCommand, JsonListsPidIdentifierNameAndPolicyInStartOrder) {
    const QJsonArray list = QJsonDocument::fromJson(print(true).toUtf8()).array();
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list[0].toObject(), (QJsonObject{{"pid", 300},
                                               {"identifier", "debian-xterm"},
                                               {"name", "XTerm"},
                                               {"policy", "regular"}}));
    EXPECT_EQ(list[1].toObject().value("policy").toString(), "accessory");
    EXPECT_EQ(list[2].toObject().value("pid").toInt(), 100);
    EXPECT_TRUE(list[2].toObject().value("identifier").isNull());
}

TEST_F(AppsCommand, TextHasOneLinePerApplication) {
    const QStringList lines = print(false).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0].simplified(), "300 regular debian-xterm XTerm");
    EXPECT_EQ(lines[1].simplified(), "200 accessory org.example.Panel Panel");
    EXPECT_EQ(lines[2].simplified(), "100 regular - QuendaTest");
}

TEST_F(AppsCommand, TextEscapesControlCharactersOfNamesAndIdentifiers) {
    SimApp& evil = d.app(500, QStringLiteral("Evil\x1b]2;x\x07\n9 regular fake Fake"));
    evil.bundleID = QStringLiteral("id\tx");
    const QStringList lines = print(false).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[3].simplified(),
              QStringLiteral("500 regular id\\tx Evil\\x1b]2;x\\x07\\n9 regular fake Fake"));
    const QJsonArray list = QJsonDocument::fromJson(print(true).toUtf8()).array();
    EXPECT_EQ(list[3].toObject().value("name").toString(), evil.name);
}

TEST_F(AppsCommand, NothingRunningPrintsAnEmptyList) {
    SimDesktop empty;
    QString text;
    QTextStream out(&text);
    printApplications(empty, true, out);
    out.flush();
    EXPECT_EQ(QJsonDocument::fromJson(text.toUtf8()).array().size(), 0);
}

}  // namespace
}  // namespace quenda
