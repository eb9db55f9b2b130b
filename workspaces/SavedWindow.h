#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "core/Geometry.h"

namespace quenda {

// One window of a saved workspace: whose it was, what it was called and where it stood.
struct SavedWindow {
    QString bundleID;  // the identifier its application is installed under
    QString appName;   // the application's name when saved, else its identifier
    QString title;     // empty when the title could not be read
    Rect frame;        // window coordinates

    friend bool operator==(const SavedWindow&, const SavedWindow&) = default;
};

// A slot's stored form: a compact JSON array of objects with the keys "bundleID",
// "appName", "title" and "frame" ([[x, y], [width, height]]) in that order, "/" written as
// "\/". Nothing when a frame holds a number JSON cannot carry (infinity, NaN).
std::optional<QByteArray> encodeSavedWindows(const std::vector<SavedWindow>& windows);

// The windows of a stored slot; nothing when the data is not exactly such an array (every
// key present with its type, frames of finite numbers). Unknown keys are ignored.
std::optional<std::vector<SavedWindow>> decodeSavedWindows(const QByteArray& data);
// The same for a slot that may hold at most `limit` windows: a longer array is refused before
// any of its windows is decoded, giving nothing with `*tooLarge` set.
std::optional<std::vector<SavedWindow>> decodeSavedWindows(const QByteArray& data, size_t limit,
                                                           bool* tooLarge);

}  // namespace quenda
