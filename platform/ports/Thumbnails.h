#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QByteArray>

#include "core/Geometry.h"

namespace quenda {

// A small picture in memory: `width` × `height` pixels, rows top to bottom, each pixel
// 32-bit ARGB in native byte order, not premultiplied.
struct Picture {
    int width = 0;
    int height = 0;
    QByteArray argb;

    bool isValid() const {
        return width > 0 && height > 0 && argb.size() == qsizetype(width) * height * 4;
    }
};

// Where a window's picture came from.
enum class PictureKind : uint8_t {
    contents,  // captured just now
    lastSeen,  // the window shows nothing now (minimised, on another desktop): the last
               // capture of it in this run
    icon,      // never captured: the icon the window names
};

struct WindowPicture {
    uint64_t window = 0;
    PictureKind kind = PictureKind::contents;
    Picture picture;
};

// The longer side of a window thumbnail, at most.
inline constexpr int kThumbnailLongSide = 640;

// The size of a window's thumbnail: scaled down (never up) so the longer side is at most
// 640 pixels, each side at least 2.
inline Size thumbnailSize(double width, double height) {
    const double longest = std::max(width, height);
    const double scale = longest <= 1 ? 1.0 : std::min(kThumbnailLongSide / longest, 1.0);
    const auto side = [scale](double length) {
        const double whole = std::floor(std::max(0.0, scale * length));
        return std::max(2.0, whole);
    };
    return {side(width), side(height)};
}

// One capture under way. While it lives, the desktop keeps what it needs to capture windows
// that others cover; dropping it stops the capture and releases that.
class ThumbnailCapture {
  public:
    virtual ~ThumbnailCapture() = default;
};

// Still pictures of windows, decorations included, taken one window at a time away from the
// main thread.
class WindowThumbnails {
  public:
    virtual ~WindowThumbnails() = default;

    // Captures the windows; every picture is handed to `onPicture` on the main thread as it
    // arrives, then `onDone` once. A window that has gone or cannot be captured is left out.
    virtual std::unique_ptr<ThumbnailCapture> capture(const std::vector<uint64_t>& windows,
                                                      std::function<void(WindowPicture)> onPicture,
                                                      std::function<void()> onDone) = 0;
};

}  // namespace quenda
