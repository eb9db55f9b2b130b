#include <gtest/gtest.h>

#include "app/TerminalText.h"

namespace quenda {
namespace {

TEST(TerminalText, EscapesControlCharactersAndKeepsPrintableText) {
    struct Case {
        QString in;
        QString out;
    };
    const Case cases[] = {
        {QStringLiteral("Docs"), QStringLiteral("Docs")},
        {QString::fromUtf8("sh — ñ 💾"), QString::fromUtf8("sh — ñ 💾")},
        {QStringLiteral("a\nb"), QStringLiteral("a\\nb")},
        {QStringLiteral("a\tb"), QStringLiteral("a\\tb")},
        {QStringLiteral("C:\\tmp"), QStringLiteral("C:\\\\tmp")},
        // A title that would retitle the terminal, and one that would recolour it.
        {QStringLiteral("\x1b]0;pwned\x07"), QStringLiteral("\\x1b]0;pwned\\x07")},
        {QStringLiteral("\x1b[31mred"), QStringLiteral("\\x1b[31mred")},
        {QStringLiteral("a\rb"), QStringLiteral("a\\x0db")},
        {QString(QChar(0)) + QStringLiteral("x"), QStringLiteral("\\x00x")},
        {QStringLiteral("del\x7f"), QStringLiteral("del\\x7f")},
        // C1 controls: CSI (U+009B) starts a sequence on terminals that take 8-bit controls.
        {QString(QChar(0x9b)) + QStringLiteral("2J"), QStringLiteral("\\x9b2J")},
        {QString(QChar(0x80)) + QString(QChar(0x9f)), QStringLiteral("\\x80\\x9f")},
        {QString(QChar(0xa0)), QString(QChar(0xa0))},  // no-break space is text
        {QString(), QString()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(escapeForTerminal(c.in), c.out) << c.in.toStdString();
    }
}

}  // namespace
}  // namespace quenda
