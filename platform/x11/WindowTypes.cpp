#include "platform/x11/WindowTypes.h"

#include <optional>

namespace quenda::x11 {

namespace {

struct Kind {
    QString subrole;
    int64_t layer;
};

std::optional<Kind> kindOf(xcb_atom_t t, const Atoms& a) {
    if (t == XCB_ATOM_NONE) return std::nullopt;
    if (t == a.NET_WM_WINDOW_TYPE_NORMAL)
        return Kind{QStringLiteral("AXStandardWindow"), kNormalLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DIALOG) return Kind{QStringLiteral("AXDialog"), kNormalLayer};
    if (t == a.NET_WM_WINDOW_TYPE_UTILITY)
        return Kind{QStringLiteral("AXFloatingWindow"), kNormalLayer};
    if (t == a.NET_WM_WINDOW_TYPE_TOOLBAR || t == a.NET_WM_WINDOW_TYPE_MENU)
        return Kind{QStringLiteral("AXFloatingWindow"), kFloatingLayer};
    if (t == a.NET_WM_WINDOW_TYPE_SPLASH)
        return Kind{QStringLiteral("AXSystemDialog"), kFloatingLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DOCK) return Kind{QStringLiteral("AXSystemDialog"), kDockLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DESKTOP)
        return Kind{QStringLiteral("AXSystemDialog"), kDockLayer};
    if (t == a.NET_WM_WINDOW_TYPE_NOTIFICATION || t == a.NET_WM_WINDOW_TYPE_TOOLTIP)
        return Kind{QStringLiteral("AXSystemDialog"), kNotificationLayer};
    if (t == a.NET_WM_WINDOW_TYPE_DROPDOWN_MENU || t == a.NET_WM_WINDOW_TYPE_POPUP_MENU ||
        t == a.NET_WM_WINDOW_TYPE_COMBO || t == a.NET_WM_WINDOW_TYPE_DND)
        return Kind{QStringLiteral("AXUnknown"), kNotificationLayer};
    return std::nullopt;
}

Kind kindOf(const ClientInfo& c, const Atoms& a) {
    for (xcb_atom_t t : c.types) {
        if (auto k = kindOf(t, a)) return *k;
    }
    return c.transient ? Kind{QStringLiteral("AXDialog"), kNormalLayer}
                       : Kind{QStringLiteral("AXStandardWindow"), kNormalLayer};
}

}  // namespace

int64_t layerOf(const ClientInfo& c, const Atoms& a) {
    return kindOf(c, a).layer;
}

QString subroleOf(const ClientInfo& c, const Atoms& a) {
    return kindOf(c, a).subrole;
}

bool isDesktopWindow(const ClientInfo& c, const Atoms& a) {
    for (xcb_atom_t t : c.types) {
        if (kindOf(t, a)) return t == a.NET_WM_WINDOW_TYPE_DESKTOP;
    }
    return false;
}

}  // namespace quenda::x11
