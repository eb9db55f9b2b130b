#include "app/TerminalText.h"

namespace quenda {

QString escapeForTerminal(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'\\') {
            out += QStringLiteral("\\\\");
        } else if (u == u'\n') {
            out += QStringLiteral("\\n");
        } else if (u == u'\t') {
            out += QStringLiteral("\\t");
        } else if (u < 0x20 || (u >= 0x7f && u <= 0x9f)) {
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace quenda
