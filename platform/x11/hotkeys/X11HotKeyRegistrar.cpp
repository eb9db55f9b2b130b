#include "platform/x11/hotkeys/X11HotKeyRegistrar.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#define XK_MISCELLANY
#include <X11/keysymdef.h>

#include "platform/x11/XcbReply.h"
#include "platform/x11/hotkeys/KeyTranslation.h"

namespace quenda {

namespace {

// Keymap changes come in bursts (xmodmap, layout switchers); grab once they have settled.
constexpr int kRegrabDelayMs = 100;

struct Grab {
    xcb_keycode_t keycode;
    uint16_t modifiers;
};

}  // namespace

struct X11HotKeyRegistrar::Impl {
    struct HotKey {
        uint16_t modifiers;                   // without lock bits
        std::vector<xcb_keycode_t> keycodes;  // every key that types the keysym
        std::vector<Grab> grabs;              // what the server holds for us
        uint32_t keysym;
    };

    explicit Impl(const QString& display);
    ~Impl();

    bool connected() const { return conn && !lost; }
    void readLockMasks();
    std::vector<uint16_t> lockVariants() const;
    std::vector<xcb_keycode_t> keycodesFor(uint32_t keysym);
    int32_t grab(HotKey& hotKey);
    void ungrab(HotKey& hotKey);
    void drain();
    void handle(xcb_generic_event_t* event);
    void regrabAll();
    void loseConnection();
    void drainLater();

    xcb_connection_t* conn = nullptr;
    xcb_window_t root = XCB_NONE;
    xcb_key_symbols_t* symbols = nullptr;
    QObject context;  // owns the queued drains, so none runs after we are gone
    std::unique_ptr<QSocketNotifier> notifier;
    QTimer regrabTimer;
    uint16_t numLock = 0;
    uint16_t scrollLock = 0;
    std::map<uint32_t, HotKey> hotKeys;
    Handler handler;
    uint32_t lastPress = 0;
    // The last release of a key, to tell X's autorepeat from a new press.
    std::optional<xcb_keycode_t> lastReleasedKey;
    uint32_t lastReleaseTime = 0;
    int regrabs = 0;
    bool lost = false;
};

X11HotKeyRegistrar::Impl::Impl(const QString& display) {
    int screenNumber = 0;
    const QByteArray name = display.toLocal8Bit();
    conn = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (xcb_connection_has_error(conn)) {
        lost = true;
        return;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) {
        lost = true;
        return;
    }
    root = screens.data->root;
    symbols = xcb_key_symbols_alloc(conn);
    if (!symbols) {
        lost = true;
        return;
    }
    readLockMasks();

    notifier =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(conn), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &context, [this] { drain(); });
    regrabTimer.setSingleShot(true);
    regrabTimer.setInterval(kRegrabDelayMs);
    QObject::connect(&regrabTimer, &QTimer::timeout, &context, [this] { regrabAll(); });
    // Events may already sit in xcb's queue, where the notifier cannot see them.
    drainLater();
}

X11HotKeyRegistrar::Impl::~Impl() {
    notifier.reset();  // before the socket closes
    if (symbols) xcb_key_symbols_free(symbols);
    // Closing the connection releases every grab.
    if (conn) xcb_disconnect(conn);
}

void X11HotKeyRegistrar::Impl::readLockMasks() {
    numLock = scrollLock = 0;
    x11::Reply<xcb_keycode_t> numCodes(xcb_key_symbols_get_keycode(symbols, XK_Num_Lock));
    x11::Reply<xcb_keycode_t> scrollCodes(xcb_key_symbols_get_keycode(symbols, XK_Scroll_Lock));
    x11::Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(conn, xcb_get_modifier_mapping(conn), nullptr));
    if (!mapping) return;
    const auto has = [](const xcb_keycode_t* codes, xcb_keycode_t code) {
        for (; codes && *codes != XCB_NO_SYMBOL; ++codes)
            if (*codes == code) return true;
        return false;
    };
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            if (code == 0) continue;
            if (has(numCodes.get(), code)) numLock |= uint16_t(1 << modifier);
            if (has(scrollCodes.get(), code)) scrollLock |= uint16_t(1 << modifier);
        }
    }
}

std::vector<uint16_t> X11HotKeyRegistrar::Impl::lockVariants() const {
    std::vector<uint16_t> variants;
    for (uint16_t caps : {uint16_t(0), uint16_t(XCB_MOD_MASK_LOCK)})
        for (uint16_t num : {uint16_t(0), numLock})
            for (uint16_t scroll : {uint16_t(0), scrollLock}) {
                const uint16_t v = caps | num | scroll;
                // An unmapped lock has no bit: its variants coincide.
                if (std::find(variants.begin(), variants.end(), v) == variants.end())
                    variants.push_back(v);
            }
    return variants;
}

std::vector<xcb_keycode_t> X11HotKeyRegistrar::Impl::keycodesFor(uint32_t keysym) {
    x11::Reply<xcb_keycode_t> all(xcb_key_symbols_get_keycode(symbols, keysym));
    std::vector<xcb_keycode_t> first, any;
    for (const xcb_keycode_t* c = all.get(); c && *c != XCB_NO_SYMBOL; ++c) {
        any.push_back(*c);
        if (xcb_key_symbols_get_keysym(symbols, *c, 0) == keysym) first.push_back(*c);
    }
    // Keys that type the keysym unshifted; failing that (keypad digits, shifted digits on
    // some layouts) the key itself, without adding Shift, as the stored key code names a
    // key position rather than a character.
    return first.empty() ? any : first;
}

int32_t X11HotKeyRegistrar::Impl::grab(HotKey& hotKey) {
    struct Request {
        Grab grab;
        xcb_void_cookie_t cookie;
    };
    std::vector<Request> requests;
    for (xcb_keycode_t keycode : hotKey.keycodes) {
        for (uint16_t lock : lockVariants()) {
            const Grab g{keycode, uint16_t(hotKey.modifiers | lock)};
            requests.push_back({g, xcb_grab_key_checked(conn, 0, root, g.modifiers, g.keycode,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
        }
    }
    int32_t status = 0;
    std::vector<Grab> granted;
    for (const Request& r : requests) {
        x11::Reply<xcb_generic_error_t> error(xcb_request_check(conn, r.cookie));
        if (!error) {
            granted.push_back(r.grab);
        } else if (error->error_code == XCB_ACCESS) {
            status = HotKeyRegistrar::kTaken;  // another client grabbed this state first
        } else if (status == 0) {
            status = HotKeyRegistrar::kInvalid;
        }
    }
    // A dead connection answers every check with "no error".
    if (xcb_connection_has_error(conn)) {
        loseConnection();
        return HotKeyRegistrar::kInvalid;
    }
    if (status != 0) {
        // All lock states or none: a shortcut that works only with NumLock off is a trap.
        for (const Grab& g : granted) xcb_ungrab_key(conn, g.keycode, root, g.modifiers);
        // A round trip, so the keys are free for others when we report the failure.
        x11::Reply<xcb_get_input_focus_reply_t> sync(
            xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
        return status;
    }
    hotKey.grabs = std::move(granted);
    return 0;
}

void X11HotKeyRegistrar::Impl::ungrab(HotKey& hotKey) {
    if (connected())
        for (const Grab& g : hotKey.grabs) xcb_ungrab_key(conn, g.keycode, root, g.modifiers);
    hotKey.grabs.clear();
}

void X11HotKeyRegistrar::Impl::drain() {
    if (!connected()) return;
    while (x11::Reply<xcb_generic_event_t> event{xcb_poll_for_event(conn)}) {
        handle(event.get());
        if (!connected()) return;
    }
    if (xcb_connection_has_error(conn)) loseConnection();
}

void X11HotKeyRegistrar::Impl::handle(xcb_generic_event_t* event) {
    switch (event->response_type & ~0x80) {
        case XCB_KEY_RELEASE: {
            const auto* release = reinterpret_cast<const xcb_key_release_event_t*>(event);
            lastReleasedKey = release->detail;
            lastReleaseTime = release->time;
            break;
        }
        case XCB_KEY_PRESS: {
            const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event);
            // A held key repeats as a release and a press with the same time stamp; a
            // shortcut fires once per physical press, so the repeated press is dropped.
            const bool repeat = lastReleasedKey == press->detail && lastReleaseTime == press->time;
            lastReleasedKey.reset();
            if (repeat) break;
            lastPress = press->time;
            // The locks' bits ride along in the state; buttons above bit 7 too.
            const uint16_t lockBits = XCB_MOD_MASK_LOCK | numLock | scrollLock;
            const uint16_t modifiers = press->state & 0xff & ~lockBits;
            std::optional<uint32_t> hit;
            for (const auto& [id, hotKey] : hotKeys) {
                if (hotKey.grabs.empty() || hotKey.modifiers != modifiers) continue;
                const auto& codes = hotKey.keycodes;
                if (std::find(codes.begin(), codes.end(), press->detail) == codes.end()) continue;
                hit = id;
                break;
            }
            // A copy: the handler may change the registrations or the handler itself.
            if (hit && handler) {
                const Handler call = handler;
                call(*hit);
            }
            break;
        }
        case XCB_MAPPING_NOTIFY: {
            auto* mapping = reinterpret_cast<xcb_mapping_notify_event_t*>(event);
            if (mapping->request == XCB_MAPPING_POINTER) break;
            xcb_refresh_keyboard_mapping(symbols, mapping);
            regrabTimer.start();
            break;
        }
        default:
            break;  // errors of unchecked ungrabs: the key was not ours any more
    }
}

void X11HotKeyRegistrar::Impl::regrabAll() {
    if (!connected()) return;
    for (auto& [id, hotKey] : hotKeys) ungrab(hotKey);
    readLockMasks();
    for (auto& [id, hotKey] : hotKeys) {
        hotKey.keycodes = keycodesFor(hotKey.keysym);
        // One that fails now stays registered and is tried again at the next change.
        if (!hotKey.keycodes.empty()) grab(hotKey);
        if (!connected()) return;
    }
    ++regrabs;
    drainLater();
}

void X11HotKeyRegistrar::Impl::loseConnection() {
    lost = true;
    if (notifier) notifier->setEnabled(false);  // a closed socket would fire forever
    regrabTimer.stop();
    for (auto& [id, hotKey] : hotKeys) hotKey.grabs.clear();
}

void X11HotKeyRegistrar::Impl::drainLater() {
    QMetaObject::invokeMethod(
        &context, [this] { drain(); }, Qt::QueuedConnection);
}

X11HotKeyRegistrar::X11HotKeyRegistrar(const QString& display)
    : d_(std::make_unique<Impl>(display)) {}

X11HotKeyRegistrar::~X11HotKeyRegistrar() = default;

int32_t X11HotKeyRegistrar::registerHotKey(uint32_t keyCode, KeyModifiers modifiers, uint32_t id) {
    unregisterHotKey(id);
    if (!d_->connected()) return kInvalid;
    const auto keysym = x11::keysymForKeyCode(keyCode);
    if (!keysym) return kInvalid;
    Impl::HotKey hotKey{x11::x11Modifiers(modifiers), d_->keycodesFor(*keysym), {}, *keysym};
    if (hotKey.keycodes.empty()) return kInvalid;  // no such key in this keymap
    // Our own second grab of a key would silently share the first: refuse it like a taken one.
    for (const auto& [other, held] : d_->hotKeys) {
        if (held.modifiers != hotKey.modifiers) continue;
        for (xcb_keycode_t code : hotKey.keycodes)
            if (std::find(held.keycodes.begin(), held.keycodes.end(), code) != held.keycodes.end())
                return kTaken;
    }
    const int32_t status = d_->grab(hotKey);
    if (status == 0) d_->hotKeys[id] = std::move(hotKey);
    d_->drainLater();
    return status;
}

void X11HotKeyRegistrar::unregisterHotKey(uint32_t id) {
    const auto it = d_->hotKeys.find(id);
    if (it == d_->hotKeys.end()) return;
    d_->ungrab(it->second);
    if (d_->connected()) xcb_flush(d_->conn);
    d_->hotKeys.erase(it);
}

void X11HotKeyRegistrar::setHandler(Handler handler) {
    d_->handler = std::move(handler);
}

bool X11HotKeyRegistrar::isConnected() const {
    return d_->connected();
}

std::optional<uint32_t> X11HotKeyRegistrar::keyCodeForX11Key(uint32_t x11KeyCode) const {
    if (!d_->symbols || x11KeyCode > 255) return std::nullopt;
    const xcb_keysym_t sym =
        xcb_key_symbols_get_keysym(d_->symbols, static_cast<xcb_keycode_t>(x11KeyCode), 0);
    if (sym == XCB_NO_SYMBOL) return std::nullopt;
    return x11::keyCodeForKeysym(sym);
}

uint32_t X11HotKeyRegistrar::lastPressTime() const {
    return d_->lastPress;
}

int X11HotKeyRegistrar::regrabCount() const {
    return d_->regrabs;
}

}  // namespace quenda
