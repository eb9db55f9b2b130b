#include "platform/x11/X11Thumbnails.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include <QCoreApplication>
#include <QMetaObject>

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/render.h>
#include <xcb/xcb.h>

namespace quenda::x11 {

namespace {

template <typename T>
struct FreeReply {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply<T>>;

// After redirecting, windows repaint what others covered; the capture starts once no
// repaint has come for this long, or at the latest after the second limit.
constexpr auto kQuietAfterRepaint = std::chrono::milliseconds(40);
constexpr auto kMostWaitForRepaint = std::chrono::milliseconds(300);
// A window whose pixels would be fetched whole (no RENDER) is left out above this size.
constexpr int64_t kMostPixelsFetched = 16 * 1024 * 1024;
// Redirected, a window's contents are kept off screen while the capture runs. For a window
// larger than a 4K screen the X server would allocate and clear hundreds of megabytes,
// stalling every client, so such a window is captured as the screen shows it instead.
constexpr int64_t kMostPixelsRedirected = 3840 * 2160;
// _NET_WM_ICON is read up to this many 32-bit values (1 MiB).
constexpr uint32_t kMostIconValues = 256 * 1024;
constexpr uint32_t kIconSideWanted = 48;

int32_t toFixed(double v) {
    return int32_t(v * 65536.0);
}

// What a worker hands to the main thread.
struct Outcome {
    enum Kind : uint8_t { captured, noPixels, gone } kind = gone;
    WindowPicture picture;
};

// The thread of one capture and what it shares with its owner.
struct Worker {
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;

    bool stopping() {
        std::lock_guard lock(mutex);
        return stop;
    }
};

class Capturer {
  public:
    Capturer(xcb_connection_t* c, int screenNumber) : c_(c) {
        const xcb_setup_t* setup = xcb_get_setup(c_);
        auto it = xcb_setup_roots_iterator(setup);
        for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
        root_ = it.data ? it.data->root : 0;
    }

    // Redirects the frames of the windows asked for, unless a compositing manager already
    // redirects every window.
    void prepare(const std::vector<uint64_t>& windows) {
        if (!root_) return;
        const auto* composite = xcb_get_extension_data(c_, &xcb_composite_id);
        if (composite && composite->present) {
            Reply<xcb_composite_query_version_reply_t> v(xcb_composite_query_version_reply(
                c_, xcb_composite_query_version(c_, 0, 4), nullptr));
            composite_ = v && (v->major_version > 0 || v->minor_version >= 2);
        }
        const auto* render = xcb_get_extension_data(c_, &xcb_render_id);
        if (render && render->present) {
            Reply<xcb_render_query_version_reply_t> v(
                xcb_render_query_version_reply(c_, xcb_render_query_version(c_, 0, 11), nullptr));
            if (v)
                formats_.reset(xcb_render_query_pict_formats_reply(
                    c_, xcb_render_query_pict_formats(c_), nullptr));
            if (formats_) argb32_ = findArgb32();
        }
        if (!composite_) return;
        if (compositingManager()) {
            compositorRedirects_ = true;
            return;
        }
        std::vector<std::pair<xcb_window_t, xcb_void_cookie_t>> asked;
        for (const uint64_t w : windows) {
            const auto frame = frameOf(xcb_window_t(w));
            if (!frame) continue;
            const auto geometry = Reply<xcb_get_geometry_reply_t>(
                xcb_get_geometry_reply(c_, xcb_get_geometry(c_, *frame), nullptr));
            if (!geometry || int64_t(geometry->width) * geometry->height > kMostPixelsRedirected)
                continue;
            asked.emplace_back(*frame, xcb_composite_redirect_window_checked(
                                           c_, *frame, XCB_COMPOSITE_REDIRECT_AUTOMATIC));
        }
        // A frame another program redirects by hand is refused: it is captured as shown.
        for (const auto& [frame, cookie] : asked) {
            if (auto* error = xcb_request_check(c_, cookie))
                std::free(error);
            else
                redirected_.insert(frame);
        }
        waitForRepaint();
    }

    Outcome capture(uint64_t window) {
        Outcome out;
        out.picture.window = window;
        const auto frame = frameOf(xcb_window_t(window));
        if (!frame) return out;  // gone
        const auto attributes = Reply<xcb_get_window_attributes_reply_t>(
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, *frame), nullptr));
        const auto geometry = Reply<xcb_get_geometry_reply_t>(
            xcb_get_geometry_reply(c_, xcb_get_geometry(c_, *frame), nullptr));
        if (!attributes || !geometry) return out;
        if (attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
            out.kind = Outcome::noPixels;
            return out;
        }
        const int width = geometry->width + 2 * geometry->border_width;
        const int height = geometry->height + 2 * geometry->border_width;
        const Size size = thumbnailSize(width, height);
        std::optional<Picture> picture;
        xcb_pixmap_t pixmap = 0;
        xcb_drawable_t source = *frame;
        const bool offScreen = compositorRedirects_ || redirected_.count(*frame);
        if (offScreen) {
            pixmap = xcb_generate_id(c_);
            xcb_composite_name_window_pixmap(c_, *frame, pixmap);
            source = pixmap;
        }
        if (argb32_)
            picture = scaledOnServer(source, attributes->visual, geometry->depth, width, height,
                                     int(size.width), int(size.height), !offScreen);
        else
            picture = fetchedWhole(source, geometry->depth, width, height, int(size.width),
                                   int(size.height));
        if (pixmap) xcb_free_pixmap(c_, pixmap);
        if (!picture) return out;
        out.kind = Outcome::captured;
        out.picture.picture = std::move(*picture);
        return out;
    }

    // The icon the window names, the smallest at least 48 pixels wide, else the largest.
    std::optional<Picture> icon(uint64_t window) {
        const xcb_atom_t atom = intern("_NET_WM_ICON");
        if (!atom) return std::nullopt;
        Reply<xcb_get_property_reply_t> r(
            xcb_get_property_reply(c_,
                                   xcb_get_property(c_, 0, xcb_window_t(window), atom,
                                                    XCB_ATOM_CARDINAL, 0, kMostIconValues),
                                   nullptr));
        if (!r || r->format != 32) return std::nullopt;
        const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(r.get()));
        const size_t count = size_t(xcb_get_property_value_length(r.get())) / 4;
        const uint32_t* best = nullptr;
        uint32_t bestW = 0, bestH = 0;
        for (size_t i = 0; i + 2 <= count;) {
            const uint32_t w = values[i], h = values[i + 1];
            if (w == 0 || h == 0 || w > 1024 || h > 1024 || uint64_t(w) * h > count - i - 2) break;
            const bool better = !best || (bestW < kIconSideWanted && w > bestW) ||
                                (w >= kIconSideWanted && w < bestW);
            if (better) {
                best = values + i + 2;
                bestW = w;
                bestH = h;
            }
            i += 2 + size_t(w) * h;
        }
        if (!best) return std::nullopt;
        Picture p{int(bestW), int(bestH),
                  QByteArray(qsizetype(bestW) * bestH * 4, Qt::Uninitialized)};
        std::memcpy(p.argb.data(), best, size_t(p.argb.size()));
        return p;
    }

  private:
    xcb_atom_t intern(const char* name) {
        Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, uint16_t(std::strlen(name)), name), nullptr));
        return r ? r->atom : 0;
    }

    bool compositingManager() {
        const int screen = 0;
        const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
        const xcb_atom_t atom = intern(name.c_str());
        if (!atom) return false;
        Reply<xcb_get_selection_owner_reply_t> r(
            xcb_get_selection_owner_reply(c_, xcb_get_selection_owner(c_, atom), nullptr));
        return r && r->owner != XCB_NONE;
    }

    // The window's top-level ancestor (the window manager's frame), or the window itself.
    std::optional<xcb_window_t> frameOf(xcb_window_t window) {
        xcb_window_t current = window;
        for (int depth = 0; depth < 16; ++depth) {
            Reply<xcb_query_tree_reply_t> r(
                xcb_query_tree_reply(c_, xcb_query_tree(c_, current), nullptr));
            if (!r) return std::nullopt;
            if (r->parent == r->root || r->parent == XCB_NONE) return current;
            current = r->parent;
        }
        return current;
    }

    void waitForRepaint() {
        if (redirected_.empty()) return;
        const auto* damage = xcb_get_extension_data(c_, &xcb_damage_id);
        if (!damage || !damage->present) return;
        Reply<xcb_damage_query_version_reply_t> v(
            xcb_damage_query_version_reply(c_, xcb_damage_query_version(c_, 1, 1), nullptr));
        if (!v) return;
        std::vector<xcb_damage_damage_t> watched;
        for (const xcb_window_t frame : redirected_) {
            const xcb_damage_damage_t d = xcb_generate_id(c_);
            xcb_damage_create(c_, d, frame, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
            watched.push_back(d);
        }
        xcb_flush(c_);
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        auto lastRepaint = start;
        const uint8_t notify = damage->first_event + XCB_DAMAGE_NOTIFY;
        while (true) {
            const auto now = Clock::now();
            const auto quietEnd = lastRepaint + kQuietAfterRepaint;
            const auto end = std::min(quietEnd, start + kMostWaitForRepaint);
            if (now >= end) break;
            pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
            ::poll(&fd, 1, int(std::max<int64_t>(1, left.count())));
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                if ((e->response_type & 0x7f) == notify) {
                    const auto* n = reinterpret_cast<xcb_damage_notify_event_t*>(e);
                    xcb_damage_subtract(c_, n->damage, XCB_NONE, XCB_NONE);
                    lastRepaint = Clock::now();
                }
                std::free(e);
            }
            xcb_flush(c_);
            if (xcb_connection_has_error(c_)) break;
        }
        for (const xcb_damage_damage_t d : watched) xcb_damage_destroy(c_, d);
    }

    xcb_render_pictformat_t findArgb32() const {
        for (auto it = xcb_render_query_pict_formats_formats_iterator(formats_.get()); it.rem;
             xcb_render_pictforminfo_next(&it)) {
            const auto& f = *it.data;
            if (f.type == XCB_RENDER_PICT_TYPE_DIRECT && f.depth == 32 &&
                f.direct.alpha_shift == 24 && f.direct.alpha_mask == 0xff &&
                f.direct.red_shift == 16 && f.direct.green_shift == 8 && f.direct.blue_shift == 0)
                return f.id;
        }
        return 0;
    }

    std::optional<xcb_render_pictformat_t> formatOf(xcb_visualid_t visual) const {
        for (auto s = xcb_render_query_pict_formats_screens_iterator(formats_.get()); s.rem;
             xcb_render_pictscreen_next(&s)) {
            for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem;
                 xcb_render_pictdepth_next(&d)) {
                for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem;
                     xcb_render_pictvisual_next(&v)) {
                    if (v.data->visual == visual) return v.data->format;
                }
            }
        }
        return std::nullopt;
    }

    // The window composited at the thumbnail size into a pixmap of our own, then fetched.
    std::optional<Picture> scaledOnServer(xcb_drawable_t source, xcb_visualid_t visual,
                                          uint8_t depth, int width, int height, int tw, int th,
                                          bool includeChildren) {
        const auto format = formatOf(visual);
        if (!format) return std::nullopt;
        const xcb_render_picture_t from = xcb_generate_id(c_);
        const uint32_t mode = XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS;
        xcb_render_create_picture(c_, from, source, *format,
                                  includeChildren ? XCB_RENDER_CP_SUBWINDOW_MODE : 0,
                                  includeChildren ? &mode : nullptr);
        const xcb_render_transform_t scale{toFixed(double(width) / tw),
                                           0,
                                           0,
                                           0,
                                           toFixed(double(height) / th),
                                           0,
                                           0,
                                           0,
                                           toFixed(1)};
        xcb_render_set_picture_transform(c_, from, scale);
        static constexpr char kFilter[] = "good";
        xcb_render_set_picture_filter(c_, from, sizeof kFilter - 1, kFilter, 0, nullptr);
        const xcb_pixmap_t target = xcb_generate_id(c_);
        xcb_create_pixmap(c_, 32, target, root_, uint16_t(tw), uint16_t(th));
        const xcb_render_picture_t to = xcb_generate_id(c_);
        xcb_render_create_picture(c_, to, target, argb32_, 0, nullptr);
        xcb_render_composite(c_, XCB_RENDER_PICT_OP_SRC, from, XCB_NONE, to, 0, 0, 0, 0, 0, 0,
                             uint16_t(tw), uint16_t(th));
        auto picture = fetch(target, 32, tw, th);
        xcb_render_free_picture(c_, from);
        xcb_render_free_picture(c_, to);
        xcb_free_pixmap(c_, target);
        // A window of depth 24 leaves the alpha byte to chance only when RENDER has no
        // alpha for it; its format has none, so compositing gave opaque pixels already.
        (void)depth;
        return picture;
    }

    // Without RENDER: the whole window fetched and averaged down here.
    std::optional<Picture> fetchedWhole(xcb_drawable_t source, uint8_t depth, int width, int height,
                                        int tw, int th) {
        if (int64_t(width) * height > kMostPixelsFetched) return std::nullopt;
        if (depth != 24 && depth != 32) return std::nullopt;
        auto whole = fetch(source, depth, width, height);
        if (!whole) return std::nullopt;
        Picture p{tw, th, QByteArray(qsizetype(tw) * th * 4, Qt::Uninitialized)};
        const auto* in = reinterpret_cast<const uint32_t*>(whole->argb.constData());
        auto* out = reinterpret_cast<uint32_t*>(p.argb.data());
        for (int y = 0; y < th; ++y) {
            const int y0 = int(int64_t(y) * height / th);
            const int y1 = std::max(y0 + 1, int(int64_t(y + 1) * height / th));
            for (int x = 0; x < tw; ++x) {
                const int x0 = int(int64_t(x) * width / tw);
                const int x1 = std::max(x0 + 1, int(int64_t(x + 1) * width / tw));
                uint64_t sum[4] = {0, 0, 0, 0};
                for (int sy = y0; sy < y1; ++sy) {
                    for (int sx = x0; sx < x1; ++sx) {
                        const uint32_t v = in[size_t(sy) * width + sx];
                        for (int k = 0; k < 4; ++k) sum[k] += (v >> (8 * k)) & 0xff;
                    }
                }
                const uint64_t n = uint64_t(y1 - y0) * (x1 - x0);
                uint32_t v = 0;
                for (int k = 0; k < 4; ++k) v |= uint32_t(sum[k] / n) << (8 * k);
                out[size_t(y) * tw + x] = v;
            }
        }
        return p;
    }

    std::optional<Picture> fetch(xcb_drawable_t drawable, uint8_t depth, int width, int height) {
        Reply<xcb_get_image_reply_t> r(
            xcb_get_image_reply(c_,
                                xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, 0, 0,
                                              uint16_t(width), uint16_t(height), ~0u),
                                nullptr));
        if (!r) return std::nullopt;
        const size_t bytes = size_t(width) * height * 4;
        if (size_t(xcb_get_image_data_length(r.get())) < bytes) return std::nullopt;
        Picture p{width, height,
                  QByteArray(reinterpret_cast<const char*>(xcb_get_image_data(r.get())),
                             qsizetype(bytes))};
        // Depth 24 leaves the top byte undefined: these pixels are opaque.
        if (depth != 32) {
            auto* px = reinterpret_cast<uint32_t*>(p.argb.data());
            for (size_t i = 0; i < size_t(width) * height; ++i) px[i] |= 0xff000000u;
        }
        return p;
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    bool composite_ = false;
    bool compositorRedirects_ = false;
    std::set<xcb_window_t> redirected_;
    Reply<xcb_render_query_pict_formats_reply_t> formats_;
    xcb_render_pictformat_t argb32_ = 0;
};

// One capture: its worker thread, stopped and joined when the capture is dropped.
class Capture final : public ThumbnailCapture {
  public:
    Capture(std::shared_ptr<Worker> worker, std::thread thread)
        : worker_(std::move(worker)), thread_(std::move(thread)) {}
    ~Capture() override {
        {
            std::lock_guard lock(worker_->mutex);
            worker_->stop = true;
        }
        worker_->wake.notify_all();
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
};

}  // namespace

X11Thumbnails::X11Thumbnails(QString display)
    : display_(std::move(display)), lastSeen_(std::make_shared<std::map<uint64_t, Picture>>()) {}

X11Thumbnails::~X11Thumbnails() = default;

std::unique_ptr<ThumbnailCapture> X11Thumbnails::capture(
    const std::vector<uint64_t>& windows, std::function<void(WindowPicture)> onPicture,
    std::function<void()> onDone) {
    auto worker = std::make_shared<Worker>();
    QCoreApplication* app = QCoreApplication::instance();
    // Results go back through the application object, which outlives every capture; a
    // result that lands after its capture was dropped is thrown away on the main thread.
    const std::weak_ptr<Worker> alive = worker;
    // Every window the desktop shows is asked for, so a picture of any other window is of
    // one that is gone: kept, it would be held for the rest of the run.
    const std::set<uint64_t> asked(windows.begin(), windows.end());
    std::erase_if(*lastSeen_, [&asked](const auto& kv) { return !asked.count(kv.first); });
    auto lastSeen = lastSeen_;
    auto post = [app, alive, onPicture, lastSeen](Outcome outcome) {
        auto deliver = [alive, onPicture, lastSeen, outcome = std::move(outcome)]() mutable {
            const auto w = alive.lock();
            if (!w) return;
            {
                std::lock_guard lock(w->mutex);
                if (w->stop) return;
            }
            const uint64_t id = outcome.picture.window;
            switch (outcome.kind) {
                case Outcome::captured:
                    if (outcome.picture.kind == PictureKind::contents)
                        (*lastSeen)[id] = outcome.picture.picture;
                    onPicture(std::move(outcome.picture));
                    return;
                case Outcome::noPixels:
                    if (const auto it = lastSeen->find(id); it != lastSeen->end())
                        onPicture(WindowPicture{id, PictureKind::lastSeen, it->second});
                    return;
                case Outcome::gone:
                    lastSeen->erase(id);
                    return;
            }
        };
        if (app) QMetaObject::invokeMethod(app, std::move(deliver), Qt::QueuedConnection);
    };
    auto finish = [app, alive, onDone] {
        if (!app) return;
        QMetaObject::invokeMethod(
            app,
            [alive, onDone] {
                if (const auto w = alive.lock()) {
                    {
                        std::lock_guard lock(w->mutex);
                        if (w->stop) return;
                    }
                    onDone();
                }
            },
            Qt::QueuedConnection);
    };
    const QByteArray display = display_.toLocal8Bit();
    std::thread thread([worker, windows, display, post, finish] {
        int screen = 0;
        xcb_connection_t* c =
            xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screen);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            finish();
            return;
        }
        {
            Capturer capturer(c, screen);
            capturer.prepare(windows);
            // Icons first: they are small and let every card show something at once.
            for (const uint64_t id : windows) {
                if (worker->stopping() || xcb_connection_has_error(c)) break;
                if (auto icon = capturer.icon(id))
                    post(Outcome{Outcome::captured, WindowPicture{id, PictureKind::icon, *icon}});
            }
            for (const uint64_t id : windows) {
                if (worker->stopping() || xcb_connection_has_error(c)) break;
                post(capturer.capture(id));
            }
            // X errors of this connection answer our own requests about windows that went
            // away meanwhile: each was already read as "no picture".
            while (xcb_generic_event_t* e = xcb_poll_for_event(c)) std::free(e);
            finish();
            // The redirection lasts as long as this connection: until the capture is dropped.
            std::unique_lock lock(worker->mutex);
            worker->wake.wait(lock, [&] { return worker->stop; });
        }
        xcb_disconnect(c);
    });
    return std::make_unique<Capture>(worker, std::move(thread));
}

}  // namespace quenda::x11
