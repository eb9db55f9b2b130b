#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "platform/ports/ProcessMemory.h"
#include "platform/ports/Thumbnails.h"
#include "platform/sim/SimDesktop.h"

namespace quenda {

// Window pictures on the simulated desktop: each window's picture is filled with its colour
// (by default derived from its id) at its thumbnail size. Nothing arrives until the test
// calls `deliver`, as a real capture answers later.
class SimThumbnails final : public WindowThumbnails {
  public:
    explicit SimThumbnails(SimDesktop& desktop) : desktop_(desktop) {}

    std::map<uint64_t, uint32_t> colours;  // ARGB per window
    std::map<uint64_t, Picture> icons;     // what a window names as its icon
    std::set<uint64_t> failing;            // these cannot be captured
    int captures = 0;                      // captures started
    int live = 0;                          // captures not yet dropped

    std::unique_ptr<ThumbnailCapture> capture(const std::vector<uint64_t>& windows,
                                              std::function<void(WindowPicture)> onPicture,
                                              std::function<void()> onDone) override {
        ++captures;
        auto request = std::make_shared<Request>(
            Request{windows, std::move(onPicture), std::move(onDone), true});
        pending_.push_back(request);
        return std::make_unique<Handle>(*this, request);
    }

    // Answers every capture still under way, with the windows as they are now.
    void deliver() {
        auto pending = std::move(pending_);
        pending_.clear();
        for (const auto& request : pending) {
            for (const uint64_t id : request->windows) {
                if (!request->wanted) break;
                if (const auto picture = take(id)) request->onPicture(*picture);
            }
            if (request->wanted) request->onDone();
        }
    }

    static Picture filled(int width, int height, uint32_t argb) {
        Picture p{width, height, QByteArray(qsizetype(width) * height * 4, Qt::Uninitialized)};
        auto* pixels = reinterpret_cast<uint32_t*>(p.argb.data());
        std::fill(pixels, pixels + qsizetype(width) * height, argb);
        return p;
    }

  private:
    struct Request {
        std::vector<uint64_t> windows;
        std::function<void(WindowPicture)> onPicture;
        std::function<void()> onDone;
        bool wanted;
    };
    struct Handle final : ThumbnailCapture {
        Handle(SimThumbnails& owner, std::shared_ptr<Request> request)
            : owner(owner), request(std::move(request)) {
            ++owner.live;
        }
        ~Handle() override {
            request->wanted = false;
            --owner.live;
        }
        SimThumbnails& owner;
        std::shared_ptr<Request> request;
    };

    std::optional<WindowPicture> take(uint64_t id) {
        if (!desktop_.exists(id) || failing.count(id)) return std::nullopt;
        const SimWindow& w = desktop_.window(id);
        if (w.minimized || !w.onScreen || !desktop_.onCurrentDesktop(w)) {
            if (const auto seen = lastSeen_.find(id); seen != lastSeen_.end())
                return WindowPicture{id, PictureKind::lastSeen, seen->second};
            if (const auto icon = icons.find(id); icon != icons.end())
                return WindowPicture{id, PictureKind::icon, icon->second};
            return std::nullopt;
        }
        const Size size = thumbnailSize(w.frame.width, w.frame.height);
        const auto colour = colours.find(id);
        const uint32_t argb =
            colour != colours.end() ? colour->second : 0xff000000u | uint32_t(id & 0xffffff);
        Picture picture = filled(int(size.width), int(size.height), argb);
        lastSeen_[id] = picture;
        return WindowPicture{id, PictureKind::contents, picture};
    }

    SimDesktop& desktop_;
    std::vector<std::shared_ptr<Request>> pending_;
    std::map<uint64_t, Picture> lastSeen_;
};

// Process memory on the simulated desktop: the figures a test sets, answered on `deliver`.
class SimProcessMemory final : public ProcessMemory {
  public:
    std::map<int32_t, double> figures;  // MiB per process; a missing one cannot be read
    int reads = 0;

    void read(const std::vector<int32_t>& pids,
              std::function<void(std::map<int32_t, double>)> done) override {
        ++reads;
        std::map<int32_t, double> answer;
        for (const int32_t pid : pids) {
            if (const auto it = figures.find(pid); it != figures.end()) answer[pid] = it->second;
        }
        pending_.emplace_back(std::move(done), std::move(answer));
    }

    void deliver() {
        auto pending = std::move(pending_);
        pending_.clear();
        for (auto& [done, answer] : pending) done(answer);
    }

  private:
    std::vector<
        std::pair<std::function<void(std::map<int32_t, double>)>, std::map<int32_t, double>>>
        pending_;
};

}  // namespace quenda
