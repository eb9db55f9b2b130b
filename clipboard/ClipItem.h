#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QUrl>
#include <QUuid>

#include "core/L10n.h"

namespace quenda {

// One entry of the clipboard history: a copied text, an image (kept as one PNG file, never as
// pixels in memory) or a list of files.
struct ClipItem {
    enum class Kind : uint8_t { text, image, files };

    QUuid id;
    Kind kind = Kind::text;
    // The copied text (kind text only).
    std::optional<QString> text;
    // The copied files (kind files), or the one stored PNG file (kind image).
    std::optional<std::vector<QString>> paths;
    // The name of the application that was in front when the copy was noticed.
    std::optional<QString> sourceApp;
    // The moment of capture, in seconds since 2001-01-01 00:00:00 UTC: what the history file
    // holds, kept as it was read so a file read and written again keeps its dates exactly.
    double date = 0;
    bool pinned = false;

    friend bool operator==(const ClipItem&, const ClipItem&) = default;

    // Seconds from 1970-01-01 to 2001-01-01, both UTC.
    static constexpr double kReferenceDateInUnixTime = 978307200.0;
    QDateTime dateTime() const;
    static double dateFromUnixTime(double seconds) { return seconds - kReferenceDateInUnixTime; }

    // The paths as file URLs, in order.
    std::vector<QUrl> urls() const;
    // The one-line label that lists and search use: a text trimmed at both ends and cut to
    // 400 characters; "Imagen"; a file's name, or the count and the first four names.
    QString preview(const L10n& l10n) const;

    static constexpr int kPreviewLength = 400;
};

// "text", "image", "files": the names the history file uses.
QString kindName(ClipItem::Kind kind);
std::optional<ClipItem::Kind> kindFromName(const QString& name);

// The first `count` characters of a text (UTF-16 units), never ending inside a surrogate pair.
QString firstCharacters(const QString& text, int count);
// Empty, or only white space and line breaks.
bool isBlank(const QString& text);

}  // namespace quenda
