#pragma once

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

namespace quenda::x11 {

// Every xcb reply, event and error is malloc'd and must be freed: owning them says so once.
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter>;
using PropReply = Reply<xcb_get_property_reply_t>;

// The 32-bit values of a property reply of format 32 (cardinals, atoms, windows).
inline std::vector<uint32_t> values32(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 32) return {};
    const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(r));
    return {data, data + xcb_get_property_value_length(r) / 4};
}

// One atom by name, in its own round trip (the program's own atoms are asked for together,
// in `Atoms`); none when the server does not answer.
inline xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(std::char_traits<char>::length(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

inline std::optional<uint32_t> first32(const xcb_get_property_reply_t* r) {
    if (!r || r->format != 32 || xcb_get_property_value_length(r) < 4) return std::nullopt;
    return *static_cast<const uint32_t*>(xcb_get_property_value(r));
}

}  // namespace quenda::x11
