#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include <QString>

#include "platform/ports/Thumbnails.h"

namespace quenda::x11 {

// Window pictures on X11. Each capture runs on a thread with a connection of its own. Where
// no compositing manager keeps every window's contents, it redirects the top-level windows
// (Composite, automatic) for as long as the capture object lives, so windows covered by
// others are captured whole; the connection's end releases that. Each window's frame is
// scaled down on the server (RENDER) and fetched small. Windows that show nothing now
// (minimised, on another desktop) get their last picture of this run, and every window that
// names an icon (_NET_WM_ICON) gets it too.
class X11Thumbnails final : public WindowThumbnails {
  public:
    explicit X11Thumbnails(QString display);
    ~X11Thumbnails() override;

    std::unique_ptr<ThumbnailCapture> capture(const std::vector<uint64_t>& windows,
                                              std::function<void(WindowPicture)> onPicture,
                                              std::function<void()> onDone) override;

  private:
    QString display_;
    // The last picture of each window's contents in this run; main thread only.
    std::shared_ptr<std::map<uint64_t, Picture>> lastSeen_;
};

}  // namespace quenda::x11
