#include "platform/x11/ClientsRequest.h"
#include "platform/x11/CompoundText.h"

#include <algorithm>
#include <unordered_map>

#include <QStringList>

namespace quenda::x11 {

namespace {

Extents extents(const xcb_get_property_reply_t* r) {
    const auto v = values32(r);
    if (v.size() < 4) return {};
    return {double(v[0]), double(v[1]), double(v[2]), double(v[3])};
}

// Text as the property's type says it is encoded. Clients (and xdotool) also put STRING
// into _NET_WM_NAME, and UTF8_STRING into WM_NAME.
std::optional<QString> text(const xcb_get_property_reply_t* r, const Atoms& a) {
    if (!r || r->format != 8) return std::nullopt;
    const auto* data = static_cast<const char*>(xcb_get_property_value(r));
    const int len = xcb_get_property_value_length(r);
    if (r->type == a.UTF8_STRING) return QString::fromUtf8(data, len);
    if (r->type == XCB_ATOM_STRING) return QString::fromLatin1(data, len);
    // Xlib programs (xterm) name their windows so when the title is not all Latin-1.
    if (r->type == a.COMPOUND_TEXT) return decodeCompoundText(QByteArrayView(data, len));
    return std::nullopt;
}

struct PropCookies {
    xcb_get_property_cookie_t type, state, desktop, transient, extents, gtk, opacity, wmState;

    PropCookies(X11Connection& x, xcb_window_t w) {
        const Atoms& a = x.atoms();
        type = x.requestProperty(w, a.NET_WM_WINDOW_TYPE, XCB_ATOM_ATOM, 32);
        state = x.requestProperty(w, a.NET_WM_STATE, XCB_ATOM_ATOM, 32);
        desktop = x.requestProperty(w, a.NET_WM_DESKTOP, XCB_ATOM_CARDINAL, 1);
        transient = x.requestProperty(w, XCB_ATOM_WM_TRANSIENT_FOR, XCB_ATOM_WINDOW, 1);
        extents = x.requestProperty(w, a.NET_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
        gtk = x.requestProperty(w, a.GTK_FRAME_EXTENTS, XCB_ATOM_CARDINAL, 4);
        opacity = x.requestProperty(w, a.NET_WM_WINDOW_OPACITY, XCB_ATOM_CARDINAL, 1);
        wmState = x.requestProperty(w, a.WM_STATE, a.WM_STATE, 2);
    }

    ClientProps take(X11Connection& x) const {
        const PropReply typeR = x.property(type), stateR = x.property(state),
                        desktopR = x.property(desktop), transientR = x.property(transient),
                        extR = x.property(extents), gtkR = x.property(gtk),
                        opacityR = x.property(opacity), wmStateR = x.property(wmState);
        ClientProps p;
        p.types = values32(typeR.get());
        p.states = values32(stateR.get());
        p.desktop = first32(desktopR.get());
        p.transient = first32(transientR.get()).value_or(XCB_WINDOW_NONE) != XCB_WINDOW_NONE;
        p.frame = x11::extents(extR.get());
        p.gtk = x11::extents(gtkR.get());
        if (const auto o = first32(opacityR.get())) p.opacity = double(*o) / 0xFFFFFFFFu;
        p.iconic = first32(wmStateR.get()) == XCB_ICCCM_WM_STATE_ICONIC;
        return p;
    }
};

struct DetailCookies {
    xcb_get_property_cookie_t netName, name, wmClass, allowed, hints;

    DetailCookies(X11Connection& x, xcb_window_t w) {
        const Atoms& a = x.atoms();
        netName = x.requestProperty(w, a.NET_WM_NAME, XCB_ATOM_ANY, 1024);
        name = x.requestProperty(w, XCB_ATOM_WM_NAME, XCB_ATOM_ANY, 1024);
        wmClass = x.requestProperty(w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 256);
        allowed = x.requestProperty(w, a.NET_WM_ALLOWED_ACTIONS, XCB_ATOM_ATOM, 64);
        hints = x.requestProperty(w, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 18);
    }

    ClientDetails take(X11Connection& x) const {
        const PropReply netNameR = x.property(netName), nameR = x.property(name),
                        classR = x.property(wmClass), allowedR = x.property(allowed),
                        hintsR = x.property(hints);
        ClientDetails d;
        d.title = text(netNameR.get(), x.atoms());
        if (!d.title) d.title = text(nameR.get(), x.atoms());
        if (const auto cls = text(classR.get(), x.atoms())) {
            // WM_CLASS is "instance\0Class\0".
            const QStringList parts = cls->split(QLatin1Char('\0'), Qt::SkipEmptyParts);
            d.wmClass = parts.value(1, parts.value(0));
            d.wmInstance = cls->section(QLatin1Char('\0'), 0, 0);
        }
        if (allowedR && allowedR->type != XCB_ATOM_NONE) {
            const auto actions = values32(allowedR.get());
            d.closable = std::find(actions.begin(), actions.end(), x.atoms().NET_WM_ACTION_CLOSE) !=
                         actions.end();
        }
        xcb_size_hints_t h{};
        if (hintsR && xcb_icccm_get_wm_size_hints_from_reply(&h, hintsR.get())) d.hints = h;
        return d;
    }
};

// The owning client's resource base in an XID: the bits above the server's id mask.
uint32_t clientBase(const X11Connection& x, uint32_t xid) {
    return xid & ~xcb_get_setup(x.c())->resource_id_mask;
}

}  // namespace

struct ClientsRequest::Cookies {
    xcb_translate_coordinates_cookie_t position;
    std::optional<xcb_get_geometry_cookie_t> geometry;
    std::optional<xcb_get_window_attributes_cookie_t> attributes;
    std::optional<PropCookies> props;
    std::optional<DetailCookies> details;
    bool askedOwner = false;
};

ClientsRequest::ClientsRequest(X11Connection& x, std::vector<xcb_window_t> windows,
                               bool withDetails, ClientCache* cache)
    : x_(x),
      cache_(cache ? cache : &own_),
      own_(x),
      windows_(std::move(windows)),
      withDetails_(withDetails) {
    if (!x.alive()) windows_.clear();
    // What the windows reported so far says which entries must be read again.
    x.drainEvents();
    xcb_connection_t* c = x.c();
    const bool keep = cache_ != &own_;
    std::vector<xcb_res_client_id_spec_t> owners;
    cookies_.reserve(windows_.size());
    for (xcb_window_t w : windows_) {
        ClientCache::Entry& e = cache_->entries_[w];
        if (keep && !e.watched) {
            // Watched before its properties are read, so no change can slip in between.
            const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
            xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
            e.watched = true;
        }
        Cookies k;
        k.position = xcb_translate_coordinates(c, w, x.root(), 0, 0);
        if (!e.size) k.geometry = xcb_get_geometry(c, w);
        if (!e.viewable) k.attributes = xcb_get_window_attributes(c, w);
        if (!e.props) k.props.emplace(x, w);
        if (withDetails && !e.details) k.details.emplace(x, w);
        if (!e.pidAsked && x.hasXRes()) {
            // The process that owns the window's connection, as the server knows it: right
            // for sandboxed clients, whose _NET_WM_PID names a pid inside their namespace.
            owners.push_back({w, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID});
            k.askedOwner = true;
        }
        cookies_.push_back(std::move(k));
    }
    if (!owners.empty())
        owners_ = xcb_res_query_client_ids(c, uint32_t(owners.size()), owners.data());
}

ClientsRequest::~ClientsRequest() {
    // Answers nobody collects would stay in the connection's queue.
    if (!taken_) take();
}

Clients ClientsRequest::take() {
    Clients result;
    if (taken_) return result;
    taken_ = true;
    std::unordered_map<uint32_t, int32_t> pidOfClient;
    if (owners_) {
        if (const auto r = x_.reply(xcb_res_query_client_ids_reply, *owners_)) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(r.get()); it.rem;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) &&
                    xcb_res_client_id_value_value_length(it.data) >= 1) {
                    pidOfClient[clientBase(x_, it.data->spec.client)] =
                        int32_t(*xcb_res_client_id_value_value(it.data));
                }
            }
        }
    }
    std::vector<xcb_window_t> withoutOwner;
    for (size_t i = 0; i < cookies_.size(); ++i) {
        const Cookies& k = cookies_[i];
        const xcb_window_t w = windows_[i];
        const auto position = x_.reply(xcb_translate_coordinates_reply, k.position);
        const auto geometry = k.geometry ? x_.reply(xcb_get_geometry_reply, *k.geometry) : nullptr;
        const auto attributes =
            k.attributes ? x_.reply(xcb_get_window_attributes_reply, *k.attributes) : nullptr;
        std::optional<ClientProps> props;
        if (k.props) props = k.props->take(x_);
        std::optional<ClientDetails> details;
        if (k.details) details = k.details->take(x_);
        // A window that vanished answers nothing about where it is: it is not there.
        if (!position || (k.geometry && !geometry) || (k.attributes && !attributes)) {
            cache_->entries_.erase(w);
            continue;
        }
        ClientCache::Entry& e = cache_->entries_[w];
        if (geometry) e.size = Size{double(geometry->width), double(geometry->height)};
        if (attributes) e.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        if (props) e.props = std::move(props);
        if (details) e.details = std::move(details);
        if (k.askedOwner) {
            e.pidAsked = true;
            if (auto it = pidOfClient.find(clientBase(x_, w)); it != pidOfClient.end())
                e.pid = it->second;
            else
                withoutOwner.push_back(w);
        }
        if (!x_.hasXRes() && !e.pidAsked) withoutOwner.push_back(w);

        ClientInfo info;
        static_cast<ClientProps&>(info) = e.props.value_or(ClientProps{});
        info.id = w;
        info.viewable = e.viewable.value_or(false);
        const Size size = e.size.value_or(Size{});
        info.client = {double(position->dst_x), double(position->dst_y), size.width, size.height};
        info.details = e.details;
        result.emplace(w, std::move(info));
    }
    cookies_.clear();

    // The server knows no process for remote clients: take what the window says of itself.
    if (!withoutOwner.empty()) {
        std::vector<xcb_get_property_cookie_t> pids;
        for (xcb_window_t w : withoutOwner)
            pids.push_back(x_.requestProperty(w, x_.atoms().NET_WM_PID, XCB_ATOM_CARDINAL, 1));
        for (size_t i = 0; i < pids.size(); ++i) {
            ClientCache::Entry& e = cache_->entries_[withoutOwner[i]];
            e.pidAsked = true;
            if (const auto p = first32(x_.property(pids[i]).get())) e.pid = int32_t(*p);
        }
    }
    for (auto& [w, info] : result) info.pid = cache_->entries_[w].pid;

    // A window that reported a change while we read it may have answered with the old
    // value: read what changed once more, so the answer is as of this read.
    x_.drainEvents();
    std::vector<xcb_window_t> changed;
    for (const auto& [w, info] : result) {
        auto it = cache_->entries_.find(w);
        if (it == cache_->entries_.end() || !it->second.props || !it->second.size ||
            !it->second.viewable || (withDetails_ && !it->second.details))
            changed.push_back(w);
    }
    if (!changed.empty() && !again_) {
        ClientsRequest again(x_, changed, withDetails_, cache_);
        again.again_ = true;
        Clients fresh = again.take();
        for (xcb_window_t w : changed) {
            if (auto it = fresh.find(w); it != fresh.end())
                result[w] = std::move(it->second);
            else
                result.erase(w);
        }
    }
    return result;
}

void fetchDetails(X11Connection& x, Clients& clients,
                  const std::function<bool(const ClientInfo&)>& which, ClientCache* cache) {
    if (!x.alive()) return;
    std::vector<std::pair<ClientInfo*, DetailCookies>> asked;
    for (auto& [w, info] : clients) {
        if (!info.details && (!which || which(info)))
            asked.emplace_back(&info, DetailCookies(x, w));
    }
    for (auto& [info, cookies] : asked) {
        info->details = cookies.take(x);
        if (cache) cache->keepDetails(info->id, *info->details);
    }
}

std::vector<xcb_window_t> clientList(X11Connection& x, bool stacking) {
    if (!x.alive()) return {};
    const xcb_atom_t atom =
        stacking ? x.atoms().NET_CLIENT_LIST_STACKING : x.atoms().NET_CLIENT_LIST;
    return values32(x.property(x.requestProperty(x.root(), atom, XCB_ATOM_WINDOW, 65536)).get());
}

}  // namespace quenda::x11
