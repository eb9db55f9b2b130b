#include "platform/x11/X11SyntheticKeys.h"

#include <algorithm>
#include <vector>

#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

namespace quenda::x11 {

namespace {

// The rows of the core modifier map.
enum ModifierRow : uint8_t { shiftRow = 0, lockRow = 1, controlRow = 2, mod1Row = 3, mod4Row = 6 };

// The modifier map and the keyboard, as the server has them right now.
struct KeyboardState {
    Reply<xcb_get_modifier_mapping_reply_t> mapping;
    Reply<xcb_query_keymap_reply_t> keymap;
    xcb_key_symbols_t* symbols = nullptr;

    explicit KeyboardState(X11Connection& x) {
        xcb_connection_t* c = x.c();
        const auto mappingCookie = xcb_get_modifier_mapping(c);
        const auto keymapCookie = xcb_query_keymap(c);
        mapping = x.reply(xcb_get_modifier_mapping_reply, mappingCookie);
        keymap = x.reply(xcb_query_keymap_reply, keymapCookie);
        symbols = xcb_key_symbols_alloc(c);
    }
    ~KeyboardState() {
        if (symbols) xcb_key_symbols_free(symbols);
    }
    KeyboardState(const KeyboardState&) = delete;
    KeyboardState& operator=(const KeyboardState&) = delete;

    bool ok() const { return mapping && keymap && symbols; }
    bool isDown(xcb_keycode_t code) const { return (keymap->keys[code / 8] >> (code % 8)) & 1; }
    // The keycodes of one row of the modifier map.
    std::vector<xcb_keycode_t> row(int modifier) const {
        std::vector<xcb_keycode_t> codes;
        const xcb_keycode_t* all = xcb_get_modifier_mapping_keycodes(mapping.get());
        const int perRow = mapping->keycodes_per_modifier;
        for (int i = 0; i < perRow; ++i) {
            if (const xcb_keycode_t code = all[modifier * perRow + i]) codes.push_back(code);
        }
        return codes;
    }
    // A keycode that types `keysym` without Shift, the first such; 0 when there is none.
    xcb_keycode_t keycodeFor(xcb_keysym_t keysym) const {
        Reply<xcb_keycode_t> codes(xcb_key_symbols_get_keycode(symbols, keysym));
        for (const xcb_keycode_t* c = codes.get(); c && *c != XCB_NO_SYMBOL; ++c) {
            if (xcb_key_symbols_get_keysym(symbols, *c, 0) == keysym) return *c;
        }
        return codes ? *codes : 0;
    }
    // The modifier row holding one of `keysyms`; `fallback` when none does.
    int rowOf(std::initializer_list<xcb_keysym_t> keysyms, int fallback) const {
        for (xcb_keysym_t keysym : keysyms) {
            const xcb_keycode_t code = keycodeFor(keysym);
            if (!code) continue;
            for (int modifier = 0; modifier < 8; ++modifier) {
                for (xcb_keycode_t c : row(modifier))
                    if (c == code) return modifier;
            }
        }
        return fallback;
    }
    int altRow() const { return rowOf({XK_Alt_L, XK_Alt_R, XK_Meta_L}, mod1Row); }
    int superRow() const { return rowOf({XK_Super_L, XK_Super_R}, mod4Row); }
    // The rows that a shortcut's modifiers occupy, in the order they are pressed.
    std::vector<int> rowsOf(KeyModifiers m) const {
        std::vector<int> rows;
        if (m.control) rows.push_back(controlRow);
        if (m.alt) rows.push_back(altRow());
        if (m.shift) rows.push_back(shiftRow);
        if (m.super) rows.push_back(superRow());
        return rows;
    }
    // Modifier rows that are not locks: what a held key could leak into a press. Caps Lock
    // and Num Lock are states, not keys the user holds for a shortcut.
    std::vector<int> holdableRows() const {
        const xcb_keycode_t numLock = keycodeFor(XK_Num_Lock);
        std::vector<int> rows;
        for (int modifier = 0; modifier < 8; ++modifier) {
            if (modifier == lockRow) continue;
            const auto codes = row(modifier);
            const bool isNumLock =
                numLock && std::find(codes.begin(), codes.end(), numLock) != codes.end();
            if (!isNumLock) rows.push_back(modifier);
        }
        return rows;
    }
};

xcb_keysym_t keysymOf(SyntheticKey key) {
    switch (key) {
        case SyntheticKey::c:
            return XK_c;
        case SyntheticKey::v:
            return XK_v;
        case SyntheticKey::returnKey:
            return XK_Return;
        case SyntheticKey::insert:
            return XK_Insert;
    }
    return XK_VoidSymbol;
}

void fake(xcb_connection_t* c, uint8_t type, xcb_keycode_t code) {
    xcb_test_fake_input(c, type, code, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
}

}  // namespace

bool X11SyntheticKeys::available() {
    if (!available_) {
        if (!x_.alive()) return false;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(x_.c(), &xcb_test_id);
        available_ = ext && ext->present;
    }
    return *available_;
}

void X11SyntheticKeys::post(SyntheticKey key, KeyModifiers modifiers) {
    if (!available()) return;
    const KeyboardState keyboard(x_);
    if (!keyboard.ok()) return;
    const xcb_keycode_t code = keyboard.keycodeFor(keysymOf(key));
    if (!code) return;
    xcb_connection_t* c = x_.c();

    const std::vector<int> wanted = keyboard.rowsOf(modifiers);
    const auto isWanted = [&wanted](int row) {
        return std::find(wanted.begin(), wanted.end(), row) != wanted.end();
    };
    // Whatever the user holds that the press must not carry is let go of, for good.
    for (int row : keyboard.holdableRows()) {
        if (isWanted(row)) continue;
        for (xcb_keycode_t held : keyboard.row(row))
            if (keyboard.isDown(held)) fake(c, XCB_KEY_RELEASE, held);
    }
    // The wanted modifiers the user does not already hold go down, and up again after.
    std::vector<xcb_keycode_t> pressed;
    for (int row : wanted) {
        const auto codes = keyboard.row(row);
        if (codes.empty()) continue;  // no key for it on this keyboard
        const bool alreadyDown = std::any_of(codes.begin(), codes.end(),
                                             [&](xcb_keycode_t k) { return keyboard.isDown(k); });
        if (alreadyDown) continue;
        fake(c, XCB_KEY_PRESS, codes.front());
        pressed.push_back(codes.front());
    }
    // A key the user holds down itself would make this press an autorepeat.
    if (keyboard.isDown(code)) fake(c, XCB_KEY_RELEASE, code);
    fake(c, XCB_KEY_PRESS, code);
    fake(c, XCB_KEY_RELEASE, code);
    for (auto it = pressed.rbegin(); it != pressed.rend(); ++it) fake(c, XCB_KEY_RELEASE, *it);
    // The server has taken them in before anything that follows (a wait for the paste).
    x_.sync();
}

KeyModifiers X11SyntheticKeys::heldModifiers() {
    if (!x_.alive()) return {};
    const KeyboardState keyboard(x_);
    if (!keyboard.ok()) return {};
    const auto rowDown = [&keyboard](int row) {
        for (xcb_keycode_t code : keyboard.row(row))
            if (keyboard.isDown(code)) return true;
        return false;
    };
    return {.control = rowDown(controlRow),
            .alt = rowDown(keyboard.altRow()),
            .shift = rowDown(shiftRow),
            .super = rowDown(keyboard.superRow())};
}

}  // namespace quenda::x11
