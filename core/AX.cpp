#include "core/AX.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/ports/Hud.h"

namespace quenda {

std::optional<AXWindow> AX::focusedWindow() const {
    const auto pid = server_.frontmostPid();
    if (!pid) return std::nullopt;
    const auto ref = server_.focusedWindow(*pid);
    if (!ref) return std::nullopt;
    return AXWindow(server_, *ref);
}

std::vector<AXWindow> AX::windows(int32_t pid) const {
    std::vector<AXWindow> result;
    for (const WindowRef& ref : server_.windows(pid).value_or(std::vector<WindowRef>{}))
        result.emplace_back(server_, ref);
    return result;
}

std::vector<AXWindow> AX::arrangeableWindows(int32_t pid) const {
    std::vector<AXWindow> result = windows(pid);
    std::erase_if(result, [](const AXWindow& w) { return !isArrangeable(w); });
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
            it = cache.emplace(*entry.ownerPid, arrangeableWindows(*entry.ownerPid)).first;

        for (const AXWindow& candidate : it->second) {
            if (std::find(matched.begin(), matched.end(), candidate) != matched.end()) continue;
            const auto frame = candidate.frame();
            if (!frame) continue;
            const bool close = std::abs(frame->x - bounds.x) < kMatchTolerance &&
                               std::abs(frame->y - bounds.y) < kMatchTolerance &&
                               std::abs(frame->width - bounds.width) < kMatchTolerance &&
                               std::abs(frame->height - bounds.height) < kMatchTolerance;
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

bool AX::guard(Hud& hud, const L10n& l10n) const {
    if (ensureTrusted()) return true;
    hud.show(l10n.t(QStringLiteral("hud_ax_trust")), kMessageDuration);
    return false;
}

}  // namespace quenda
