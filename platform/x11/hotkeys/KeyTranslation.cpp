#include "platform/x11/hotkeys/KeyTranslation.h"

#include <map>

#include <xcb/xproto.h>

#define XK_MISCELLANY
#define XK_LATIN1
#include <X11/keysymdef.h>

namespace quenda::x11 {

namespace {
const std::map<uint32_t, uint32_t>& keysymTable() {
    static const std::map<uint32_t, uint32_t> table{
        // letters by US key position
        {0, XK_a},
        {11, XK_b},
        {8, XK_c},
        {2, XK_d},
        {14, XK_e},
        {3, XK_f},
        {5, XK_g},
        {4, XK_h},
        {34, XK_i},
        {38, XK_j},
        {40, XK_k},
        {37, XK_l},
        {46, XK_m},
        {45, XK_n},
        {31, XK_o},
        {35, XK_p},
        {12, XK_q},
        {15, XK_r},
        {1, XK_s},
        {17, XK_t},
        {32, XK_u},
        {9, XK_v},
        {13, XK_w},
        {7, XK_x},
        {16, XK_y},
        {6, XK_z},
        // digits
        {29, XK_0},
        {18, XK_1},
        {19, XK_2},
        {20, XK_3},
        {21, XK_4},
        {23, XK_5},
        {22, XK_6},
        {26, XK_7},
        {28, XK_8},
        {25, XK_9},
        // punctuation
        {27, XK_minus},
        {24, XK_equal},
        {33, XK_bracketleft},
        {30, XK_bracketright},
        {42, XK_backslash},
        {41, XK_semicolon},
        {39, XK_apostrophe},
        {43, XK_comma},
        {47, XK_period},
        {44, XK_slash},
        {50, XK_grave},
        // named keys
        {49, XK_space},
        {36, XK_Return},
        {76, XK_KP_Enter},
        {48, XK_Tab},
        {51, XK_BackSpace},
        {117, XK_Delete},
        {53, XK_Escape},
        {123, XK_Left},
        {124, XK_Right},
        {126, XK_Up},
        {125, XK_Down},
        {115, XK_Home},
        {119, XK_End},
        {116, XK_Prior},
        {121, XK_Next},
        // function keys
        {122, XK_F1},
        {120, XK_F2},
        {99, XK_F3},
        {118, XK_F4},
        {96, XK_F5},
        {97, XK_F6},
        {98, XK_F7},
        {100, XK_F8},
        {101, XK_F9},
        {109, XK_F10},
        {103, XK_F11},
        {111, XK_F12},
        {105, XK_F13},
        {107, XK_F14},
        {113, XK_F15},
        {106, XK_F16},
        {64, XK_F17},
        {79, XK_F18},
        {80, XK_F19},
        // keypad digits
        {82, XK_KP_0},
        {83, XK_KP_1},
        {84, XK_KP_2},
        {85, XK_KP_3},
        {86, XK_KP_4},
        {87, XK_KP_5},
        {88, XK_KP_6},
        {89, XK_KP_7},
        {91, XK_KP_8},
        {92, XK_KP_9},
    };
    return table;
}
}  // namespace

std::optional<uint32_t> keysymForKeyCode(uint32_t keyCode) {
    const auto& table = keysymTable();
    const auto it = table.find(keyCode);
    if (it == table.end()) return std::nullopt;
    return it->second;
}

std::optional<uint32_t> keyCodeForKeysym(uint32_t keysym) {
    for (const auto& [code, sym] : keysymTable()) {
        if (sym == keysym) return code;
    }
    return std::nullopt;
}

uint16_t x11Modifiers(KeyModifiers modifiers) {
    uint16_t mask = 0;
    if (modifiers.control) mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers.alt) mask |= XCB_MOD_MASK_1;
    if (modifiers.shift) mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers.super) mask |= XCB_MOD_MASK_4;
    return mask;
}

}  // namespace quenda::x11
