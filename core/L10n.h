#pragma once

#include <optional>
#include <vector>

#include <QHash>
#include <QLocale>
#include <QString>
#include <QVariantList>

namespace quenda {

// One strings table: localisation key -> text.
using StringsTable = QHash<QString, QString>;

// Reads a flat JSON object of strings; entries that are not strings are skipped. Nothing when
// the file cannot be read or is not a JSON object.
std::optional<StringsTable> loadStringsTable(const QString& path);

// Where the program's own strings and guide images are looked for.
struct ResourceDirs {
    // The folder of a strings table installed beside the program; empty when there is none.
    QString installed;
    // The folder built into the program's resources.
    QString builtIn = QStringLiteral(":/quenda");

    // The first folder holding strings.json of <programDir>/../share/quenda and <programDir>.
    static ResourceDirs locate(const QString& programDir);
    // The same for the running program, located on first use (after the application object
    // exists) and kept for the run.
    static const ResourceDirs& forThisProgram();
};

// Turns a localisation key into the user-visible text: the first table that has it, else the
// key itself, so a missing translation shows up instead of leaving a blank. Every text the
// user reads comes through here; logic gets its instance from its constructor.
class L10n {
  public:
    // Passed as the default of every table lookup; never a real translation.
    static inline const QString kMissing = QStringLiteral("__QUENDA_L10N_MISSING__");

    // Tables in lookup order.
    explicit L10n(std::vector<StringsTable> tables) : tables_(std::move(tables)) {}

    // The installed table (when there is one), then the built-in one.
    static L10n fromDirs(const ResourceDirs& dirs);
    // The table compiled into the program, alone.
    static L10n builtIn() { return fromDirs(ResourceDirs{}); }
    // The application's instance, built on first use. Logic gets its L10n from its
    // constructor; only the composition root reaches for this.
    static const L10n& shared();

    QString t(const QString& key) const;

    // The text of a format key with its arguments, integers written in the current locale.
    QString format(const QString& key, const QVariantList& args) const;

    // A text that depends on a count: a table holds one entry per plural form, named
    // "<key>_one" and "<key>_other"; this picks the count's form from the first table that
    // has the key in either form (falling back to its "_other") and formats it with `args`
    // (the count is not added to them: the text places it where it wants it). With no table
    // having it, the chosen form's key shows, as `t` shows a missing key.
    QString plural(const QString& key, qint64 count, const QVariantList& args) const;
    // The form a count takes: "one" for exactly one, else "other" (the rule of the
    // languages the tables are written in).
    static QString pluralForm(qint64 count);

    // Printf-style formatting as the tables use it: "%@" (text), "%d", "%ld", "%lld", "%i",
    // "%u" (integers), "%s", positional forms such as "%2$@", and "%%". Integers use the
    // locale's digits without grouping, as printf does; an argument that is not there
    // formats as nothing.
    static QString formatText(const QString& format, const QVariantList& args,
                              const QLocale& locale = QLocale());

  private:
    std::vector<StringsTable> tables_;
};

// The pictures of the dashboard's guides.
class GuidesCatalog {
  public:
    struct Guide {
        QString id;
        QString imageName;
        QString titleKey;
        QString bodyKey;
    };
    // In the order the guides are shown.
    static const std::vector<Guide>& all();

    explicit GuidesCatalog(ResourceDirs dirs) : dirs_(std::move(dirs)) {}

    // "<name>.webp" or "<name>.png" in "Guides" beside the installed strings table, else in
    // the built-in resources; empty when neither has it.
    QString imagePath(const QString& name) const;

  private:
    ResourceDirs dirs_;
};

}  // namespace quenda
