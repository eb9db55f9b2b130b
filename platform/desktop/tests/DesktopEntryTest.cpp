#include <gtest/gtest.h>

#include <QByteArray>

#include "platform/desktop/DesktopEntry.h"
#include "platform/desktop/DesktopExec.h"

namespace quenda {
namespace {

QByteArray entry(const QByteArray& keys) {
    return "[Desktop Entry]\nType=Application\n" + keys;
}

// --- the file format -----------------------------------------------------------------------

TEST(DesktopEntryFile, StringEscapesAreUndoneAndOthersKept) {
    struct Case {
        QString raw, expected;
    };
    const Case cases[] = {
        {R"(a\sb)", "a b"},
        {R"(a\nb)", "a\nb"},
        {R"(a\tb)", "a\tb"},
        {R"(a\rb)", "a\rb"},
        {R"(a\\b)", R"(a\b)"},
        {R"(a\\\\b)", R"(a\\b)"},
        {R"(say \"hi\")", R"(say \"hi\")"},  // the Exec quoting's own escape survives
        {R"(trailing\)", R"(trailing\)"},
        {R"(\$HOME)", R"(\$HOME)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(unescapeDesktopString(c.raw), c.expected) << c.raw.toStdString();
}

TEST(DesktopEntryFile, ReadsTheKeysOfItsGroup) {
    const auto e = parseDesktopEntry(
        "# a comment\n\n[Desktop Entry]\r\n"
        "Type=Application\r\n"
        "Name = My\\sApp \r\n"
        "Exec=myapp %U\n"
        "TryExec=myapp\n"
        "Path=/srv/work\n"
        "Icon=myicon\n"
        "StartupWMClass=MyApp\n"
        "Terminal=true\nNoDisplay=true\nHidden=false\nDBusActivatable=true\n"
        "Name=second name is an error; the first stands\n"
        "not a key line\n"
        "[Desktop Action new]\nName=New window\nExec=other\n",
        QString());
    ASSERT_TRUE(e);
    EXPECT_TRUE(e->isApplication());
    EXPECT_EQ(e->name, "My App");
    EXPECT_EQ(e->exec, "myapp %U");
    EXPECT_EQ(e->tryExec, "myapp");
    EXPECT_EQ(e->path, "/srv/work");
    EXPECT_EQ(e->icon, "myicon");
    EXPECT_EQ(e->startupWMClass, "MyApp");
    EXPECT_TRUE(e->terminal);
    EXPECT_TRUE(e->noDisplay);
    EXPECT_FALSE(e->hidden);
    EXPECT_TRUE(e->dbusActivatable);
}

TEST(DesktopEntryFile, WhatIsNotAnEntry) {
    QByteArray huge = entry("Name=x\nComment=");
    huge.append(QByteArray(2 << 20, 'a'));
    const QByteArray binary(
        "\x7f"
        "ELF\x02\x01\x01\0\0\0[Desktop Entry]\nName=x\n",
        32);
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", ""},
        {"no group", "Type=Application\nName=x\n"},
        {"keys before the group", "Name=x\n[Desktop Entry]\nType=Application\nName=x\n"},
        {"another group first", "[Other]\nA=b\n[Desktop Entry]\nType=Application\nName=x\n"},
        {"no name", entry("Exec=x\n")},
        {"no type", "[Desktop Entry]\nName=x\n"},
        {"binary junk", binary},
        {"not UTF-8", entry("Name=\xff\xfe\n")},
        {"huge", huge},
    };
    for (const auto& [what, bytes] : cases) EXPECT_FALSE(parseDesktopEntry(bytes, {})) << what;
    // Another type is still an entry, just not an application.
    const auto link = parseDesktopEntry("[Desktop Entry]\nType=Link\nName=x\n", {});
    ASSERT_TRUE(link);
    EXPECT_FALSE(link->isApplication());
}

TEST(DesktopEntryFile, NameInTheUsersLanguage) {
    const QByteArray file = entry(
        "Name=Files\nName[es]=Archivos\nName[es_ES]=Ficheros\nName[sr@latin]=Datoteke\n"
        "Name[sr]=Датотеке\nName[de_DE@euro]=Dateien\n");
    const std::pair<QString, QString> cases[] = {
        {"", "Files"},
        {"C", "Files"},
        {"POSIX", "Files"},
        {"es_ES.UTF-8", "Ficheros"},
        {"es_MX.UTF-8", "Archivos"},
        {"es", "Archivos"},
        {"sr_RS@latin", "Datoteke"},
        {"sr_RS.UTF-8", "Датотеке"},
        {"de_DE.ISO-8859-15@euro", "Dateien"},
        {"de_AT", "Files"},
        {"fr_FR.UTF-8", "Files"},
    };
    for (const auto& [locale, name] : cases) {
        const auto e = parseDesktopEntry(file, locale);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->name, name) << locale.toStdString();
    }
}

// --- the Exec line -------------------------------------------------------------------------

TEST(DesktopEntryExec, ExpandsIntoProgramAndArguments) {
    struct Case {
        QString exec;  // as the file's string value reads, escapes undone
        std::optional<QStringList> argv;
    };
    const QString loc = "/usr/share/applications/my.desktop";
    const Case cases[] = {
        {"myapp", QStringList{"myapp"}},
        {"  myapp\t -x  ", QStringList{"myapp", "-x"}},
        {"/opt/My App/bin", QStringList{"/opt/My", "App/bin"}},  // unquoted, a space splits
        {R"("/opt/My App/bin" --flag)", QStringList{"/opt/My App/bin", "--flag"}},
        {R"(sh -c "echo \"hi\" \$HOME \`x\` \\")",
         QStringList{"sh", "-c", R"(echo "hi" $HOME `x` \)"}},
        {R"(app "")", QStringList{"app", ""}},
        // Files: none given, so the codes go, and an argument of nothing else with them.
        {"app %f", QStringList{"app"}},
        {"app %F --x", QStringList{"app", "--x"}},
        {"app %u", QStringList{"app"}},
        {"app %U", QStringList{"app"}},
        {"app --file=%f", QStringList{"app", "--file="}},
        {"app %i", QStringList{"app", "--icon", "my-icon"}},
        {"app --name=%c", QStringList{"app", "--name=My App"}},
        {"app %c", QStringList{"app", "My App"}},
        {"app %k", QStringList{"app", loc}},
        {"app 100%%", QStringList{"app", "100%"}},
        {R"(app "%%d")", QStringList{"app", "%d"}},
        {"app %d %D %n %N %v %m", QStringList{"app"}},  // deprecated: removed
        // Not a command line.
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"%f", std::nullopt},
        {"app %x", std::nullopt},
        {"app 100%", std::nullopt},
        {"app --icon%i", std::nullopt},
        {R"(app "unterminated)", std::nullopt},
        {R"(app "a"b)", std::nullopt},
        {R"(app a"b")", std::nullopt},
        {R"(app "\n")", std::nullopt},  // only " ` $ \ may be escaped inside quotes
        {"app 'single quoted'", std::nullopt},
        {"app a;b", std::nullopt},
        {"app $HOME", std::nullopt},
        {"app a|b", std::nullopt},
        {"app ~/x", std::nullopt},
        {"app >out", std::nullopt},
        {R"(app a\b)", std::nullopt},
        {"VAR=1 app", std::nullopt},  // a program name may not hold "="
    };
    for (const Case& c : cases) {
        DesktopEntry e;
        e.type = "Application";
        e.name = "My App";
        e.icon = "my-icon";
        e.exec = c.exec;
        EXPECT_EQ(expandExec(e, loc), c.argv) << c.exec.toStdString();
    }
}

TEST(DesktopEntryExec, IconCodeWithoutAnIconExpandsToNothing) {
    DesktopEntry e;
    e.name = "x";
    e.exec = "app %i --y";
    EXPECT_EQ(expandExec(e, {}), (QStringList{"app", "--y"}));
}

TEST(DesktopEntryExec, FileEscapesComeBeforeTheQuoting) {
    // In the file, a literal backslash inside a quoted argument takes four.
    const auto e = parseDesktopEntry(entry(R"(Name=x
Exec="/opt/a\\\\b" \s "two\swords")"),
                                     {});
    ASSERT_TRUE(e);
    EXPECT_EQ(expandExec(*e, {}), (QStringList{R"(/opt/a\b)", "two words"}));
}

}  // namespace
}  // namespace quenda
