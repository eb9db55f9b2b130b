#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "clipboard/ClipItem.h"
#include "core/AppPaths.h"
#include "core/StoreFile.h"

namespace quenda::history {

// The history file, "historial.json": a compact JSON array of objects, newest first, each
// with the keys "id" (the UUID in upper case), "kind" ("text", "image" or "files"), "text"
// and "paths" (an array of strings) when the item has them, "sourceApp" when known, "date"
// (seconds since 2001-01-01 00:00:00 UTC, fractional) and "pinned", written in that order.

// "historial.json" in the program's folder (created when missing), and the folder of the
// history's images, "imagenes" beside it.
QString path(const AppPaths& paths);
QString imagesFolder(const AppPaths& paths);

// Larger than any history the store writes (300 texts of 300,000 characters and the pinned
// ones); a file beyond it is not read.
constexpr qint64 kMaxFileBytes = qint64(512) * 1024 * 1024;

QByteArray encode(const std::vector<ClipItem>& items);

// The items of a history file, keys in any order (null counts as an absent optional key,
// unknown keys are ignored). Nothing for anything else: not JSON, not an array, an element
// that is not an object, a required key missing, an unknown kind, a value of the wrong type,
// an id that is not a UUID.
std::optional<std::vector<ClipItem>> decode(const QByteArray& bytes);

// Whether a loaded item is kept: texts and file lists always (even when their files are
// gone), an image only when every one of its files is still there.
bool stillThere(const ClipItem& item);

// What was found at the file's place.
using FileState = StoreFileState;

struct Loaded {
    FileState state = FileState::absent;
    // The items kept (`stillThere`), in file order; empty unless the state is good.
    std::vector<ClipItem> items;
};

// Reads the history file, without ever blocking on something that is not a regular file.
Loaded read(const QString& path);

// Why a history file in this state gives an empty history, for one line on stderr; empty for
// absent and good.
QString describe(FileState state, const QString& path);

}  // namespace quenda::history
