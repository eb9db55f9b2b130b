#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/L10n.h"
#include "platform/sim/TestPrinters.h"

namespace quenda {
namespace {

// Writes `content` to `root`/`relative`, making the folders on the way.
void write(const QString& root, const QString& relative, const QByteArray& content) {
    const QString path = QDir(root).filePath(relative);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(content);
}

TEST(L10n, TheFirstTableWithTheKeyWinsAndTheMarkerCountsAsMissing) {
    const L10n l10n({
        {{"a", "instalada A"}, {"b", L10n::kMissing}},
        {{"a", "interna A"}, {"b", "interna B"}, {"c", ""}},
    });
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        {"a", "instalada A"},
        {"b", "interna B"},
        {"c", ""},  // an empty text is a real text
        {"hud_ready", "hud_ready"},
    };
    for (const auto& c : cases) EXPECT_EQ(l10n.t(c.key), c.text) << c.key;
    EXPECT_EQ(L10n({}).t("menu_quit"), "menu_quit");
}

TEST(L10n, FormatTextFillsPlaceholdersLikePrintf) {
    const QLocale es(QLocale::Spanish, QLocale::Spain);
    const struct {
        const char* format;
        QVariantList args;
        const char* expected;
    } cases[] = {
        {"Listo · %@ organiza · %@ marca", {"⌃⌥1", "⌥⇧1"}, "Listo · ⌃⌥1 organiza · ⌥⇧1 marca"},
        {"Versión %@ (build %d)", {"1.4", 87}, "Versión 1.4 (build 87)"},
        {"%ld y %lld y %i y %u", {12, qlonglong(9000000000), -3, 7u}, "12 y 9000000000 y -3 y 7"},
        {"%d ventanas", {12345}, "12345 ventanas"},  // no group separator, as printf
        {"➕ %2$@ · %1$d", {3, "Safari"}, "➕ Safari · 3"},
        {"%1$@ y otra vez %1$@", {"eco"}, "eco y otra vez eco"},
        {"%s", {"texto"}, "texto"},
        {"100%% listo", {}, "100% listo"},
        {"%d", {"7"}, "7"},                       // text given for a number is written as it is
        {"falta: [%@]", {}, "falta: []"},         // an argument that is not there
        {"%5d %0$@ %y %", {1}, "%5d %0$@ %y %"},  // not placeholders: left as written
        {"%l", {1}, "%l"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(L10n::formatText(QString::fromUtf8(c.format), c.args, es),
                  QString::fromUtf8(c.expected))
            << c.format;
    }
}

TEST(L10n, IntegersUseTheLocaleDigits) {
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    EXPECT_EQ(L10n::formatText("%d", {42}, arabic), arabic.toString(42));
    EXPECT_NE(arabic.toString(42), "42");  // the case above would prove nothing otherwise
}

TEST(L10n, FormatLooksTheKeyUpAndUsesTheCurrentLocale) {
    const L10n l10n({{{"count", "%d en el grupo"}}});
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const QString arabic = l10n.format("count", {3});
    QLocale::setDefault(before);
    EXPECT_EQ(arabic, QLocale(QLocale::Arabic, QLocale::Egypt).toString(3) + " en el grupo");
    EXPECT_EQ(l10n.format("count", {3}), "3 en el grupo");
    EXPECT_EQ(l10n.format("missing_key", {3}), "missing_key");
}

// A count picks its form from the first table that has the key in either form; a table
// with only "_other" answers every count with it rather than borrow a later table's "_one".
TEST(L10n, PluralPicksTheCountsFormFromTheFirstTableThatHasTheKey) {
    const L10n l10n({
        {{"tiled_one", "%2$@ · %1$d ventana"},
         {"tiled_other", "%2$@ · %1$d ventanas"},
         {"items_other", "%d elementos (instalada)"}},
        {{"items_one", "%d elemento (interna)"}, {"only_one_one", "%d solo"}},
    });
    const struct {
        const char* key;
        qint64 count;
        const char* expected;
    } cases[] = {
        {"tiled", 0, "Mosaico · 0 ventanas"},
        {"tiled", 1, "Mosaico · 1 ventana"},
        {"tiled", 2, "Mosaico · 2 ventanas"},
        {"tiled", 21, "Mosaico · 21 ventanas"},
        {"tiled", -1, "Mosaico · -1 ventanas"},
        {"items", 1, "1 elementos (instalada)"},
        {"only_one", 1, "1 solo"},
        {"only_one", 2, "only_one_other"},  // no table has the form: its key shows
        {"absent", 1, "absent_one"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(l10n.plural(c.key, c.count, {c.count, "Mosaico"}), QString::fromUtf8(c.expected))
            << c.key << " " << c.count;
    }
}

TEST(L10n, TheInstalledTableIsFoundBesideTheProgram) {
    const struct {
        std::vector<const char*> tables;  // relative to the install prefix
        const char* expected;             // the same, or "" for none
    } cases[] = {
        {{"share/quenda/strings.json"}, "share/quenda"},
        {{"bin/strings.json"}, "bin"},
        {{"share/quenda/strings.json", "bin/strings.json"}, "share/quenda"},
        {{"share/strings.json", "bin/share/quenda/strings.json"}, ""},
        {{}, ""},
    };
    for (const auto& c : cases) {
        QTemporaryDir prefix;
        ASSERT_TRUE(prefix.isValid());
        ASSERT_TRUE(QDir(prefix.path()).mkpath("bin"));
        for (const char* table : c.tables) write(prefix.path(), table, "{}");
        const QString expected = *c.expected ? QDir(prefix.path()).filePath(c.expected) : QString();
        EXPECT_EQ(ResourceDirs::locate(prefix.filePath("bin")).installed, expected)
            << (c.tables.empty() ? "none" : c.tables.front());
    }
    EXPECT_EQ(ResourceDirs::locate("").installed, "");
}

TEST(L10n, AnInstalledTableWinsOverTheBuiltInOne) {
    QTemporaryDir installed, builtIn;
    write(installed.path(), "strings.json", R"({"menu_quit": "Cerrar", "n": 3})");
    write(builtIn.path(), "strings.json", R"({"menu_quit": "Salir", "btn_cancel": "Cancelar"})");
    const L10n l10n = L10n::fromDirs({installed.path(), builtIn.path()});
    EXPECT_EQ(l10n.t("menu_quit"), "Cerrar");
    EXPECT_EQ(l10n.t("btn_cancel"), "Cancelar");
    EXPECT_EQ(l10n.t("n"), "n");  // not a string: skipped

    // An unreadable installed table is passed over, not fatal.
    write(installed.path(), "strings.json", "{ not json");
    EXPECT_EQ(L10n::fromDirs({installed.path(), builtIn.path()}).t("menu_quit"), "Salir");
}

TEST(L10n, TheBuiltInTableIsCompiledIntoTheProgram) {
    EXPECT_EQ(L10n::fromDirs(ResourceDirs{}).t("menu_quit"), "Salir de Quenda");
    EXPECT_EQ(L10n::shared().t("menu_quit"), "Salir de Quenda");
    EXPECT_EQ(&L10n::shared(), &L10n::shared());
}

TEST(GuidesCatalog, ImagesComeFromBesideTheInstalledTableThenTheBuiltInOnes) {
    QTemporaryDir installed, builtIn;
    write(installed.path(), "Guides/guide-01-accessibility.webp", "RIFF");
    write(installed.path(), "Guides/guide-03-overview.webp", "RIFF");
    write(builtIn.path(), "Guides/guide-02-corner.webp", "RIFF");
    write(builtIn.path(), "Guides/guide-03-overview.webp", "RIFF");
    write(builtIn.path(), "guide-04-shelf.webp", "RIFF");  // not in Guides
    write(builtIn.path(), "Guides/guide-05-clipboard.png", "\x89PNG");
    write(installed.path(), "Guides/guide-02-corner.png", "\x89PNG");
    const GuidesCatalog catalog({installed.path(), builtIn.path()});
    const GuidesCatalog builtInOnly({QString(), builtIn.path()});
    const struct {
        const GuidesCatalog& catalog;
        const char* name;
        QString expected;
    } cases[] = {
        {catalog, "guide-01-accessibility",
         installed.filePath("Guides/guide-01-accessibility.webp")},
        // A PNG beside the installed table wins over the built-in WebP.
        {catalog, "guide-02-corner", installed.filePath("Guides/guide-02-corner.png")},
        {catalog, "guide-05-clipboard", builtIn.filePath("Guides/guide-05-clipboard.png")},
        {catalog, "guide-03-overview", installed.filePath("Guides/guide-03-overview.webp")},
        {catalog, "guide-04-shelf", QString()},
        {builtInOnly, "guide-01-accessibility", QString()},
        {builtInOnly, "guide-03-overview", builtIn.filePath("Guides/guide-03-overview.webp")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.catalog.imagePath(c.name), c.expected) << c.name;
}

}  // namespace
}  // namespace quenda
