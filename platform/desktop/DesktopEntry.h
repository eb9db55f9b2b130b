#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

namespace quenda {

// What Quenda reads of a freedesktop desktop entry (its "[Desktop Entry]" group). String
// values are unescaped; Exec keeps its argument quoting, which only `expandExec` undoes.
struct DesktopEntry {
    QString type;
    QString name;  // in the user's language when the entry has it
    QString exec;
    QString tryExec;
    QString path;  // the working directory to start it in
    QString icon;
    QString startupWMClass;
    bool hidden = false;
    bool noDisplay = false;
    bool terminal = false;
    bool dbusActivatable = false;

    bool isApplication() const { return type == QLatin1String("Application"); }
};

// Nothing when the bytes are not a desktop entry: no "[Desktop Entry]" group first, no Name or
// Type, not UTF-8 text, or too large to be one. `locale` is a POSIX locale name
// ("es_ES.UTF-8@euro"); it picks among the localised Names.
std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& content, const QString& locale);

// The locale that picks the language of messages: LC_ALL, else LC_MESSAGES, else LANG.
QString messagesLocale();

// Undoes the string escapes \s \n \t \r and \\; any other backslash is kept as it is, so the
// Exec quoting that follows still sees its own escapes.
QString unescapeDesktopString(const QString& raw);

}  // namespace quenda
