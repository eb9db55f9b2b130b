#include "workspaces/SavedWindow.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <limits>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

namespace quenda {

namespace {

// Escapes as the slots have always been written: quote, backslash and slash, the short
// forms of the common control characters, \u00XX for the rest; other text stays UTF-8.
void appendString(QByteArray& out, const QString& text) {
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text.toUtf8()) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '/':
                out += "\\/";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
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
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xf];
                    out += kHex[c & 0xf];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

// The shortest text that reads back as the same number, written out in full (8, 0.25,
// 1000000) except for the very large and very small (1e+20, 1e-07), as JSON writers do.
bool appendNumber(QByteArray& out, double value) {
    if (!std::isfinite(value)) return false;
    char buffer[400];
    const double magnitude = std::abs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16);
    const auto result =
        plain ? std::to_chars(std::begin(buffer), std::end(buffer), value, std::chars_format::fixed)
              : std::to_chars(std::begin(buffer), std::end(buffer), value);
    if (result.ec != std::errc()) return false;
    out.append(buffer, static_cast<qsizetype>(result.ptr - buffer));
    return true;
}

bool appendPair(QByteArray& out, double a, double b) {
    out += '[';
    if (!appendNumber(out, a)) return false;
    out += ',';
    if (!appendNumber(out, b)) return false;
    out += ']';
    return true;
}

std::optional<double> finiteNumber(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

std::optional<std::pair<double, double>> numberPair(const QJsonValue& value) {
    if (!value.isArray()) return std::nullopt;
    const QJsonArray pair = value.toArray();
    if (pair.size() != 2) return std::nullopt;
    const auto a = finiteNumber(pair[0]);
    const auto b = finiteNumber(pair[1]);
    if (!a || !b) return std::nullopt;
    return std::pair{*a, *b};
}

std::optional<SavedWindow> decodeOne(const QJsonValue& value) {
    if (!value.isObject()) return std::nullopt;
    const QJsonObject object = value.toObject();
    for (const char* key : {"bundleID", "appName", "title"}) {
        if (!object.value(QLatin1String(key)).isString()) return std::nullopt;
    }
    const QJsonValue frame = object.value(QLatin1String("frame"));
    if (!frame.isArray() || frame.toArray().size() != 2) return std::nullopt;
    const auto origin = numberPair(frame.toArray()[0]);
    const auto size = numberPair(frame.toArray()[1]);
    if (!origin || !size) return std::nullopt;
    return SavedWindow{object.value(QLatin1String("bundleID")).toString(),
                       object.value(QLatin1String("appName")).toString(),
                       object.value(QLatin1String("title")).toString(),
                       {origin->first, origin->second, size->first, size->second}};
}

// The number of elements of the JSON array `data` starts with, counting no further than
// `stopAfter` + 1: one pass over the bytes that skips strings and nested values without
// building anything, much cheaper than parsing. Data that is no well-formed array gives some
// count; parsing turns it down afterwards.
size_t countElements(const QByteArray& data, size_t stopAfter) {
    size_t count = 0;
    int depth = 0;
    bool inString = false;
    bool pending = false;  // an element has begun since the last comma
    for (qsizetype i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') continue;
        if (depth == 0) {
            if (c != '[') return 0;
            depth = 1;
            continue;
        }
        if (depth == 1 && c != ',' && c != ']') pending = true;
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            if (--depth == 0) return count + (pending ? 1 : 0);
        } else if (c == ',' && depth == 1) {
            pending = false;
            if (++count > stopAfter) return count;
        }
    }
    return count + (pending ? 1 : 0);
}

}  // namespace

std::optional<QByteArray> encodeSavedWindows(const std::vector<SavedWindow>& windows) {
    QByteArray out = "[";
    for (const SavedWindow& w : windows) {
        if (out.size() > 1) out += ',';
        out += "{\"bundleID\":";
        appendString(out, w.bundleID);
        out += ",\"appName\":";
        appendString(out, w.appName);
        out += ",\"title\":";
        appendString(out, w.title);
        out += ",\"frame\":[";
        if (!appendPair(out, w.frame.x, w.frame.y)) return std::nullopt;
        out += ',';
        if (!appendPair(out, w.frame.width, w.frame.height)) return std::nullopt;
        out += "]}";
    }
    out += ']';
    return out;
}

std::optional<std::vector<SavedWindow>> decodeSavedWindows(const QByteArray& data) {
    bool tooLarge = false;
    return decodeSavedWindows(data, std::numeric_limits<size_t>::max(), &tooLarge);
}

std::optional<std::vector<SavedWindow>> decodeSavedWindows(const QByteArray& data, size_t limit,
                                                           bool* tooLarge) {
    // Counted before parsing: an array far too long is refused for the price of reading
    // as many elements as are allowed.
    *tooLarge = limit < std::numeric_limits<size_t>::max() && countElements(data, limit) > limit;
    if (*tooLarge) return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) return std::nullopt;
    const QJsonArray array = document.array();
    if (size_t(array.size()) > limit) {  // cannot happen for a well-formed array
        *tooLarge = true;
        return std::nullopt;
    }
    std::vector<SavedWindow> windows;
    windows.reserve(size_t(array.size()));
    for (const QJsonValue& value : array) {
        auto window = decodeOne(value);
        if (!window) return std::nullopt;
        windows.push_back(std::move(*window));
    }
    return windows;
}

}  // namespace quenda
