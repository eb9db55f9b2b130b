#include "clipboard/HistoryFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/RegularFile.h"

namespace quenda::history {

namespace {
const QString kId = QStringLiteral("id");
const QString kKind = QStringLiteral("kind");
const QString kText = QStringLiteral("text");
const QString kPaths = QStringLiteral("paths");
const QString kSourceApp = QStringLiteral("sourceApp");
const QString kDate = QStringLiteral("date");
const QString kPinned = QStringLiteral("pinned");

// A JSON string, as QJsonDocument writes one, appended to `out` in UTF-8.
void appendString(QByteArray& out, const QString& text) {
    out += '"';
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            default:
                if (u < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// The shortest text that reads back as the same number, without an exponent.
void appendNumber(QByteArray& out, double value) {
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed);
    out.append(digits, result.ptr - digits);
}

std::optional<QString> optionalString(const QJsonObject& object, const QString& key, bool* ok) {
    const QJsonValue v = object.value(key);
    if (v.isUndefined() || v.isNull()) return std::nullopt;
    if (!v.isString()) *ok = false;
    return v.toString();
}

std::optional<ClipItem> decodeItem(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue id = o.value(kId), kind = o.value(kKind), date = o.value(kDate),
                     pinned = o.value(kPinned);
    if (!id.isString() || !kind.isString() || !date.isDouble() || !pinned.isBool())
        return std::nullopt;
    ClipItem item;
    // Only the canonical form (either case); QUuid would also take braces.
    const QString idText = id.toString();
    item.id = QUuid::fromString(idText);
    if (idText.size() != 36 || idText.startsWith(QLatin1Char('{')) ||
        (item.id.isNull() && idText != QUuid().toString(QUuid::WithoutBraces)))
        return std::nullopt;
    const auto k = kindFromName(kind.toString());
    if (!k) return std::nullopt;
    item.kind = *k;
    item.date = date.toDouble();
    if (!std::isfinite(item.date)) return std::nullopt;
    item.pinned = pinned.toBool();
    bool ok = true;
    item.text = optionalString(o, kText, &ok);
    item.sourceApp = optionalString(o, kSourceApp, &ok);
    if (!ok) return std::nullopt;
    const QJsonValue paths = o.value(kPaths);
    if (paths.isArray()) {
        std::vector<QString> list;
        for (const QJsonValue& p : paths.toArray()) {
            if (!p.isString()) return std::nullopt;
            list.push_back(p.toString());
        }
        item.paths = std::move(list);
    } else if (!paths.isUndefined() && !paths.isNull()) {
        return std::nullopt;
    }
    return item;
}
}  // namespace

QString path(const AppPaths& paths) {
    return QDir(paths.support()).filePath(QStringLiteral("historial.json"));
}

QString imagesFolder(const AppPaths& paths) {
    return paths.sub(QStringLiteral("imagenes"));
}

QByteArray encode(const std::vector<ClipItem>& items) {
    QByteArray out;
    out.reserve(qsizetype(items.size()) * 160);
    out += '[';
    bool first = true;
    for (const ClipItem& item : items) {
        if (!first) out += ',';
        first = false;
        out += "{\"id\":";
        appendString(out, item.id.toString(QUuid::WithoutBraces).toUpper());
        out += ",\"kind\":";
        appendString(out, kindName(item.kind));
        if (item.text) {
            out += ",\"text\":";
            appendString(out, *item.text);
        }
        if (item.paths) {
            out += ",\"paths\":[";
            for (size_t i = 0; i < item.paths->size(); ++i) {
                if (i) out += ',';
                appendString(out, (*item.paths)[i]);
            }
            out += ']';
        }
        if (item.sourceApp) {
            out += ",\"sourceApp\":";
            appendString(out, *item.sourceApp);
        }
        out += ",\"date\":";
        appendNumber(out, item.date);
        out += item.pinned ? ",\"pinned\":true}" : ",\"pinned\":false}";
    }
    out += ']';
    return out;
}

std::optional<std::vector<ClipItem>> decode(const QByteArray& bytes) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray()) return std::nullopt;
    const QJsonArray array = doc.array();
    std::vector<ClipItem> items;
    items.reserve(array.size());
    for (const QJsonValue& value : array) {
        auto item = decodeItem(value);
        if (!item) return std::nullopt;
        items.push_back(std::move(*item));
    }
    return items;
}

bool stillThere(const ClipItem& item) {
    if (item.kind != ClipItem::Kind::image || !item.paths) return true;
    for (const QString& path : *item.paths)
        if (!QFileInfo::exists(path)) return false;
    return true;
}

Loaded read(const QString& path) {
    using Status = RegularFileRead::Status;
    RegularFileRead file = readRegularFileChecked(path, kMaxFileBytes);
    switch (file.status) {
        case Status::Missing:
            return {FileState::absent, {}};
        case Status::NotRegular:
            return {FileState::notRegular, {}};
        case Status::TooLarge:
            return {FileState::tooLarge, {}};
        case Status::Unreadable:
            return {FileState::unreadable, {}};
        case Status::Read:
            break;
    }
    auto items = decode(file.contents);
    file.contents.clear();
    if (!items) return {FileState::damaged, {}};
    std::erase_if(*items, [](const ClipItem& item) { return !stillThere(item); });
    return {FileState::good, std::move(*items)};
}

QString describe(FileState state, const QString& path) {
    const QString where = QDir::toNativeSeparators(path);
    switch (state) {
        case FileState::absent:
        case FileState::good:
            return {};
        case FileState::damaged:
            return QStringLiteral(
                       "the clipboard history %1 is damaged (not a history in JSON); the history "
                       "starts empty and the next capture keeps the file aside as %2.damaged-TIME")
                .arg(where, QFileInfo(path).fileName());
        case FileState::notRegular:
            return QStringLiteral(
                       "the clipboard history %1 is not a regular file; the history starts "
                       "empty and is never written there")
                .arg(where);
        case FileState::tooLarge:
            return QStringLiteral(
                       "the clipboard history %1 is larger than 512 MiB; the history starts "
                       "empty and the file is left as it is")
                .arg(where);
        case FileState::unreadable:
            return QStringLiteral(
                       "the clipboard history %1 cannot be read; the history starts empty and "
                       "the file is left as it is")
                .arg(where);
    }
    return {};
}

}  // namespace quenda::history
