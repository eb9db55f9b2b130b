#include <gtest/gtest.h>

#include "platform/sim/TestPrinters.h"
#include "shelf/ShelfFile.h"

namespace quenda {
namespace {

TEST(ShelfFile, IsACompactArrayWithUpperCaseIdsAndOnlyThePresentKeys) {
    const QUuid a = QUuid::fromString(QStringLiteral("6f0c1e4a-0000-4000-8000-00000000000a"));
    const QUuid b = QUuid::fromString(QStringLiteral("6f0c1e4a-0000-4000-8000-00000000000b"));
    const std::vector<ShelfItem> items{
        {a, ShelfItem::Kind::file, QStringLiteral("/home/u/a b/ñ\n.txt"), std::nullopt},
        {b, ShelfItem::Kind::text, std::nullopt, QStringLiteral("dice \"hola\"/adiós")},
    };
    EXPECT_EQ(QString::fromUtf8(shelf::encode(items)),
              QString::fromUtf8(R"([{"id":"6F0C1E4A-0000-4000-8000-00000000000A","kind":"file",)"
                                R"("path":"/home/u/a b/ñ\n.txt"},)"
                                R"({"id":"6F0C1E4A-0000-4000-8000-00000000000B","kind":"text",)"
                                R"("text":"dice \"hola\"/adiós"}])"));
    EXPECT_EQ(shelf::decode(shelf::encode(items)), items);
    EXPECT_EQ(shelf::encode({}), "[]");
    EXPECT_EQ(shelf::decode("[]"), std::vector<ShelfItem>{});
}

}  // namespace
}  // namespace quenda
