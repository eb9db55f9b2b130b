#include "platform/desktop/DesktopExec.h"

#include <vector>

namespace quenda {

namespace {

struct Token {
    QString text;
    bool quoted = false;
};

bool isSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Characters that the command-line rules allow only inside a quoted argument.
bool isReserved(QChar c) {
    static const QString reserved = QStringLiteral("\"'\\><~|&;$*?#()`\n");
    return reserved.contains(c);
}

// Splits the line into arguments and undoes their quoting: a quoted argument is whole
// ("..."), and inside it only " ` $ and \ may follow a backslash.
std::optional<std::vector<Token>> tokenize(const QString& line) {
    std::vector<Token> tokens;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        if (isSeparator(line[i])) {
            ++i;
            continue;
        }
        Token t;
        if (line[i] == QLatin1Char('"')) {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line[i++];
                if (c == QLatin1Char('"')) {
                    closed = true;
                    break;
                }
                if (c == QLatin1Char('\\')) {
                    if (i == n) return std::nullopt;
                    const QChar next = line[i++];
                    if (!QStringLiteral("\"`$\\").contains(next)) return std::nullopt;
                    t.text += next;
                } else {
                    t.text += c;
                }
            }
            // A quote opens and closes a whole argument.
            if (!closed || (i < n && !isSeparator(line[i]))) return std::nullopt;
        } else {
            while (i < n && !isSeparator(line[i])) {
                if (isReserved(line[i])) return std::nullopt;
                t.text += line[i++];
            }
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

}  // namespace

std::optional<QStringList> expandExec(const DesktopEntry& entry, const QString& location) {
    const auto tokens = tokenize(entry.exec);
    if (!tokens) return std::nullopt;
    QStringList args;
    for (const Token& t : *tokens) {
        if (t.text == QLatin1String("%i")) {
            if (!entry.icon.isEmpty()) args << QStringLiteral("--icon") << entry.icon;
            continue;
        }
        QString out;
        bool dropped = false;  // a code that stands for files (none given) or is deprecated
        for (qsizetype i = 0; i < t.text.size(); ++i) {
            const QChar c = t.text[i];
            if (c != QLatin1Char('%')) {
                out += c;
                continue;
            }
            if (++i == t.text.size()) return std::nullopt;
            switch (t.text[i].unicode()) {
                case '%':
                    out += QLatin1Char('%');
                    break;
                case 'f':
                case 'F':
                case 'u':
                case 'U':
                case 'd':
                case 'D':
                case 'n':
                case 'N':
                case 'v':
                case 'm':
                    dropped = true;
                    break;
                case 'c':
                    out += entry.name;
                    break;
                case 'k':
                    out += location;
                    break;
                default:
                    return std::nullopt;  // %i inside an argument, or no code at all
            }
        }
        // An argument that was only such a code goes away; an empty quoted one ("") stays.
        if (out.isEmpty() && dropped) continue;
        args << out;
    }
    if (args.isEmpty() || args.first().isEmpty() || args.first().contains(QLatin1Char('=')))
        return std::nullopt;
    return args;
}

}  // namespace quenda
