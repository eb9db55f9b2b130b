#include "platform/x11/Atoms.h"

#include <cstring>
#include <iterator>

#include "platform/x11/XcbReply.h"

namespace quenda::x11 {

bool Atoms::intern(xcb_connection_t* c) {
    struct Entry {
        const char* name;
        xcb_atom_t* slot;
    };
#define QUENDA_X11_UNDERSCORED(name) Entry{"_" #name, &name},
#define QUENDA_X11_PLAIN(name) Entry{#name, &name},
    const Entry entries[] = {QUENDA_X11_UNDERSCORED_ATOMS(QUENDA_X11_UNDERSCORED)
                                 QUENDA_X11_PLAIN_ATOMS(QUENDA_X11_PLAIN)};
#undef QUENDA_X11_UNDERSCORED
#undef QUENDA_X11_PLAIN
    xcb_intern_atom_cookie_t cookies[std::size(entries)];
    for (size_t i = 0; i < std::size(entries); ++i) {
        cookies[i] = xcb_intern_atom(c, 0, uint16_t(std::strlen(entries[i].name)), entries[i].name);
    }
    bool all = true;
    for (size_t i = 0; i < std::size(entries); ++i) {
        Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(c, cookies[i], nullptr));
        if (!r) all = false;
        *entries[i].slot = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    }
    return all;
}

}  // namespace quenda::x11
