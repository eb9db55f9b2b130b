#include "core/L10n.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtDebug>

namespace quenda {

namespace {

const QString kTableName = QStringLiteral("strings.json");

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Double:
            return true;
        default:
            return false;
    }
}

QString render(const QVariant& arg, QChar conversion, const QLocale& locale) {
    if (!arg.isValid()) return {};
    const bool integer = conversion == u'd' || conversion == u'i' || conversion == u'u';
    if (integer && isNumber(arg)) {
        return conversion == u'u' ? locale.toString(arg.toULongLong())
                                  : locale.toString(arg.toLongLong());
    }
    return arg.toString();
}

bool isConversion(QChar c) {
    return c == u'@' || c == u's' || c == u'd' || c == u'i' || c == u'u';
}

bool isLengthModifier(QChar c) {
    return c == u'l' || c == u'q' || c == u'h' || c == u'z';
}

}  // namespace

std::optional<StringsTable> loadStringsTable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        qWarning("quenda: strings table %s is not a JSON object: %s", qPrintable(path),
                 qPrintable(error.errorString()));
        return std::nullopt;
    }
    StringsTable table;
    const QJsonObject object = doc.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString()) table.insert(it.key(), it.value().toString());
    }
    return table;
}

ResourceDirs ResourceDirs::locate(const QString& programDir) {
    ResourceDirs dirs;
    if (programDir.isEmpty()) return dirs;
    const QDir program(programDir);
    for (const QString& candidate :
         {program.absoluteFilePath(QStringLiteral("../share/quenda")), program.absolutePath()}) {
        const QString folder = QDir::cleanPath(candidate);
        if (QFileInfo(QDir(folder).filePath(kTableName)).isFile()) {
            dirs.installed = folder;
            break;
        }
    }
    return dirs;
}

const ResourceDirs& ResourceDirs::forThisProgram() {
    // The program's folder is known once the application object exists.
    static const ResourceDirs dirs =
        locate(QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString());
    return dirs;
}

L10n L10n::fromDirs(const ResourceDirs& dirs) {
    std::vector<StringsTable> tables;
    if (!dirs.installed.isEmpty()) {
        const QString path = QDir(dirs.installed).filePath(kTableName);
        if (auto table = loadStringsTable(path)) {
            tables.push_back(std::move(*table));
        } else {
            qWarning("quenda: cannot read the installed strings table %s", qPrintable(path));
        }
    }
    if (auto table = loadStringsTable(QDir(dirs.builtIn).filePath(kTableName))) {
        tables.push_back(std::move(*table));
    } else {
        qWarning("quenda: the built-in strings table is missing; texts show as keys");
    }
    return L10n(std::move(tables));
}

const L10n& L10n::shared() {
    static const L10n instance = fromDirs(ResourceDirs::forThisProgram());
    return instance;
}

QString L10n::t(const QString& key) const {
    for (const StringsTable& table : tables_) {
        const QString text = table.value(key, kMissing);
        if (text != kMissing) return text;
    }
    return key;
}

QString L10n::format(const QString& key, const QVariantList& args) const {
    return formatText(t(key), args, QLocale());
}

QString L10n::pluralForm(qint64 count) {
    return count == 1 ? QStringLiteral("one") : QStringLiteral("other");
}

QString L10n::plural(const QString& key, qint64 count, const QVariantList& args) const {
    const QString chosen = key + u'_' + pluralForm(count);
    const QString other = key + QStringLiteral("_other");
    // The first table with either form answers, so one text never mixes two tables' words.
    for (const StringsTable& table : tables_) {
        for (const QString& form : {chosen, other}) {
            const QString text = table.value(form, kMissing);
            if (text != kMissing) return formatText(text, args, QLocale());
        }
    }
    return chosen;
}

QString L10n::formatText(const QString& format, const QVariantList& args, const QLocale& locale) {
    // printf writes integers without group separators; the locale only chooses the digits.
    QLocale digits = locale;
    digits.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);

    QString out;
    out.reserve(format.size());
    qsizetype nextArg = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (format[i] != u'%') {
            out += format[i];
            continue;
        }
        if (i + 1 < n && format[i + 1] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && format[j].isDigit()) ++j;
        qsizetype position = 0;  // 1-based; 0 = the next argument in order
        bool valid = true;
        if (j > i + 1 && j < n && format[j] == u'$') {
            position = format.mid(i + 1, j - i - 1).toLongLong();
            valid = position > 0;
            ++j;
        } else {
            j = i + 1;  // digits without '$' are a field width, which the tables never use
        }
        while (j < n && isLengthModifier(format[j])) ++j;
        if (!valid || j >= n || !isConversion(format[j])) {
            out += format[i];  // not a placeholder: the '%' stays as written
            continue;
        }
        const qsizetype index = position > 0 ? position - 1 : nextArg++;
        out += render(index < args.size() ? args[index] : QVariant(), format[j], digits);
        i = j;
    }
    return out;
}

const std::vector<GuidesCatalog::Guide>& GuidesCatalog::all() {
    static const std::vector<Guide> guides{
        {"accessibility", "guide-01-accessibility", "guide_1_title", "guide_1_body"},
        {"corner", "guide-02-corner", "guide_2_title", "guide_2_body"},
        {"overview", "guide-03-overview", "guide_3_title", "guide_3_body"},
        {"shelf", "guide-04-shelf", "guide_4_title", "guide_4_body"},
        {"clipboard", "guide-05-clipboard", "guide_5_title", "guide_5_body"},
    };
    return guides;
}

QString GuidesCatalog::imagePath(const QString& name) const {
    // WebP first; PNG, which Qt reads without an extra image plugin, is what ships.
    for (const QString& folder : {dirs_.installed, dirs_.builtIn}) {
        if (folder.isEmpty()) continue;
        for (const char* type : {"webp", "png"}) {
            const QString path = QDir(folder).filePath(
                QStringLiteral("Guides/%1.%2").arg(name, QLatin1String(type)));
            if (QFileInfo(path).isFile()) return path;
        }
    }
    return {};
}

}  // namespace quenda
