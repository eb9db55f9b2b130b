#include "core/AX.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace quenda {

Element AX::applicationElement(int32_t pid) const {
    const Element app = Element::application(pid);
    server_.setMessagingTimeout(app, 1.0);
    return app;
}

std::optional<AXWindow> AX::focusedWindow() const {
    const auto pid = server_.frontmostPid();
    if (!pid) return std::nullopt;
    const auto v = server_.attribute(applicationElement(*pid), attr::FocusedWindow);
    if (!v) return std::nullopt;
    const Element* e = std::get_if<Element>(&*v);
    if (!e) return std::nullopt;
    return AXWindow(server_, *e, *pid);
}

std::vector<AXWindow> AX::windows(int32_t pid) const {
    std::vector<AXWindow> result;
    const auto v = server_.attribute(applicationElement(pid), attr::Windows);
    if (!v) return result;
    const auto* list = std::get_if<std::vector<Element>>(&*v);
    if (!list) return result;
    for (const Element& e : *list) result.emplace_back(server_, e, pid);
    return result;
}

// Standard, unminimised windows of a process; an unreadable subrole drops the window, an
// unreadable minimised state keeps it.
std::vector<AXWindow> AX::candidates(int32_t pid) const {
    std::vector<AXWindow> result;
    for (const AXWindow& w : windows(pid)) {
        if (w.subrole() != QString(QLatin1String(attr::StandardWindow.data()))) continue;
        if (w.isMinimized()) continue;
        result.push_back(w);
    }
    return result;
}

std::vector<VisibleWindow> AX::orderedVisibleWindows() const {
    const ReadBatch batch(server_);
    std::vector<VisibleWindow> result;
    const auto list = server_.windowList();
    if (!list) return result;
    const int32_t self = server_.ownPid();
    std::map<int32_t, std::vector<AXWindow>> cache;  // lives for this call only
    std::vector<AXWindow> matched;

    for (const WindowListEntry& entry : *list) {
        if (entry.layer != 0) continue;
        if (!entry.ownerPid || *entry.ownerPid == self) continue;
        if (!entry.bounds) continue;
        const Rect bounds = *entry.bounds;
        if (bounds.width < kMinWidth || bounds.height < kMinHeight) continue;
        if (entry.alpha && *entry.alpha <= kMinAlpha) continue;

        auto it = cache.find(*entry.ownerPid);
        if (it == cache.end())
            it = cache.emplace(*entry.ownerPid, candidates(*entry.ownerPid)).first;

        for (const AXWindow& candidate : it->second) {
            if (std::find(matched.begin(), matched.end(), candidate) != matched.end()) continue;
            const auto pos = candidate.position();
            const auto size = candidate.size();
            if (!pos || !size) continue;
            const bool close = std::abs(pos->x - bounds.x) < kMatchTolerance &&
                               std::abs(pos->y - bounds.y) < kMatchTolerance &&
                               std::abs(size->width - bounds.width) < kMatchTolerance &&
                               std::abs(size->height - bounds.height) < kMatchTolerance;
            if (!close) continue;
            matched.push_back(candidate);
            result.push_back({candidate, bounds});
            break;
        }
    }
    return result;
}

bool AX::ensureTrusted() const {
    if (server_.isTrusted()) return true;
    server_.requestTrust();
    return false;
}

}  // namespace quenda
