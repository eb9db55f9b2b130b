#include "platform/desktop/DesktopEntry.h"

#include <QHash>
#include <QStringConverter>
#include <QStringList>
#include <QtGlobal>

namespace quenda {

namespace {

// Far above any real entry; a file this large is junk, not worth reading.
constexpr qsizetype kMaxEntryBytes = 1 << 20;

bool isTrue(const QString& value) {
    return value == QLatin1String("true") || value == QLatin1String("1");
}

// Key names are ASCII letters, digits and '-'; a localised one carries "[locale]".
bool splitKey(const QString& key, QString* base, QString* locale) {
    const qsizetype open = key.indexOf(QLatin1Char('['));
    *base = open < 0 ? key : key.left(open);
    if (open >= 0) {
        if (!key.endsWith(QLatin1Char(']')) || key.size() - open < 3) return false;
        *locale = key.mid(open + 1, key.size() - open - 2);
    }
    if (base->isEmpty()) return false;
    for (QChar c : *base) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-')) return false;
    }
    return true;
}

// The localised keys to try, best first: lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER,
// lang. The encoding part of the locale never takes part.
QStringList localeCandidates(const QString& locale) {
    QString rest = locale;
    QString modifier;
    if (const qsizetype at = rest.indexOf(QLatin1Char('@')); at >= 0) {
        modifier = rest.mid(at + 1);
        rest.truncate(at);
    }
    if (const qsizetype dot = rest.indexOf(QLatin1Char('.')); dot >= 0) rest.truncate(dot);
    QString lang = rest, country;
    if (const qsizetype us = rest.indexOf(QLatin1Char('_')); us >= 0) {
        lang = rest.left(us);
        country = rest.mid(us + 1);
    }
    if (lang.isEmpty() || lang == QLatin1String("C") || lang == QLatin1String("POSIX")) return {};
    QStringList out;
    if (!country.isEmpty() && !modifier.isEmpty()) out << lang + '_' + country + '@' + modifier;
    if (!country.isEmpty()) out << lang + '_' + country;
    if (!modifier.isEmpty()) out << lang + '@' + modifier;
    out << lang;
    return out;
}

}  // namespace

QString unescapeDesktopString(const QString& raw) {
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        switch (raw[i + 1].unicode()) {
            case 's':
                out += QLatin1Char(' ');
                break;
            case 'n':
                out += QLatin1Char('\n');
                break;
            case 't':
                out += QLatin1Char('\t');
                break;
            case 'r':
                out += QLatin1Char('\r');
                break;
            case '\\':
                out += QLatin1Char('\\');
                break;
            default:
                out += c;
                out += raw[i + 1];
                break;
        }
        ++i;
    }
    return out;
}

std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& content, const QString& locale) {
    if (content.size() > kMaxEntryBytes || content.contains('\0')) return std::nullopt;
    auto decode = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decode(content);
    if (decode.hasError()) return std::nullopt;

    // The group must come first (comments and blank lines aside); later groups (actions and
    // the like) end it.
    bool inGroup = false;
    QHash<QString, QString> plain;
    QHash<QString, QString> localisedNames;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QStringView trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (inGroup) break;
            if (trimmed != QLatin1String("[Desktop Entry]")) return std::nullopt;
            inGroup = true;
            continue;
        }
        if (!inGroup) return std::nullopt;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;  // not a key: left alone, as readers of these files do
        QString base, keyLocale;
        if (!splitKey(line.left(eq).trimmed().toString(), &base, &keyLocale)) continue;
        const QString value = line.mid(eq + 1).trimmed().toString();
        // A key given twice is an error in the file; the first one stands.
        if (keyLocale.isEmpty()) {
            if (!plain.contains(base)) plain.insert(base, value);
        } else if (base == QLatin1String("Name") && !localisedNames.contains(keyLocale)) {
            localisedNames.insert(keyLocale, value);
        }
    }
    if (!inGroup) return std::nullopt;

    DesktopEntry e;
    const auto string = [&plain](const char* key) {
        return unescapeDesktopString(plain.value(QLatin1String(key)));
    };
    e.type = string("Type");
    e.name = string("Name");
    for (const QString& candidate : localeCandidates(locale)) {
        if (const auto it = localisedNames.constFind(candidate); it != localisedNames.cend()) {
            e.name = unescapeDesktopString(*it);
            break;
        }
    }
    if (e.type.isEmpty() || e.name.isEmpty()) return std::nullopt;
    e.exec = string("Exec");
    e.tryExec = string("TryExec");
    e.path = string("Path");
    e.icon = string("Icon");
    e.startupWMClass = string("StartupWMClass");
    e.hidden = isTrue(plain.value(QStringLiteral("Hidden")));
    e.noDisplay = isTrue(plain.value(QStringLiteral("NoDisplay")));
    e.terminal = isTrue(plain.value(QStringLiteral("Terminal")));
    e.dbusActivatable = isTrue(plain.value(QStringLiteral("DBusActivatable")));
    return e;
}

QString messagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty()) return value;
    }
    return {};
}

}  // namespace quenda
