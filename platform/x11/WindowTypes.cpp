#include "platform/x11/WindowTypes.h"

#include <optional>

namespace quenda::x11 {

namespace {

struct Kind {
    WindowRole role;
    int64_t layer;
};

std::optional<Kind> kindOf(xcb_atom_t t, const Atoms& a) {
    if (t == XCB_ATOM_NONE) return std::nullopt;
    if (t == a.NET_WM_WINDOW_TYPE_NORMAL) return Kind{WindowRole::standard, kNormalLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DIALOG) return Kind{WindowRole::dialog, kNormalLayer};
    if (t == a.NET_WM_WINDOW_TYPE_UTILITY) return Kind{WindowRole::other, kNormalLayer};
    if (t == a.NET_WM_WINDOW_TYPE_TOOLBAR || t == a.NET_WM_WINDOW_TYPE_MENU)
        return Kind{WindowRole::other, kFloatingLayer};
    if (t == a.NET_WM_WINDOW_TYPE_SPLASH) return Kind{WindowRole::other, kFloatingLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DOCK) return Kind{WindowRole::other, kDockLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DESKTOP) return Kind{WindowRole::other, kDockLayer};
    if (t == a.NET_WM_WINDOW_TYPE_NOTIFICATION || t == a.NET_WM_WINDOW_TYPE_TOOLTIP)
        return Kind{WindowRole::other, kNotificationLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DROPDOWN_MENU || t == a.NET_WM_WINDOW_TYPE_POPUP_MENU ||
        t == a.NET_WM_WINDOW_TYPE_COMBO || t == a.NET_WM_WINDOW_TYPE_DND)
        return Kind{WindowRole::other, kNotificationLayer};
    return std::nullopt;
}

Kind kindOf(const ClientInfo& c, const Atoms& a) {
    for (xcb_atom_t t : c.types) {
        if (auto k = kindOf(t, a)) return *k;
    }
    return c.transient ? Kind{WindowRole::dialog, kNormalLayer}
                       : Kind{WindowRole::standard, kNormalLayer};
}

}  // namespace

int64_t layerOf(const ClientInfo& c, const Atoms& a) {
    return kindOf(c, a).layer;
}

WindowRole roleOf(const ClientInfo& c, const Atoms& a) {
    return kindOf(c, a).role;
}

bool isDesktopWindow(const ClientInfo& c, const Atoms& a) {
    for (xcb_atom_t t : c.types) {
        if (kindOf(t, a)) return t == a.NET_WM_WINDOW_TYPE_DESKTOP;
    }
    return false;
}

}  // namespace quenda::x11
