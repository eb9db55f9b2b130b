#pragma once

#include <compare>
#include <cstdint>
#include <functional>

namespace quenda {

// The modifier keys a shortcut holds down.
struct KeyModifiers {
    bool control = false;
    bool alt = false;
    bool shift = false;
    bool super = false;

    friend constexpr KeyModifiers operator|(KeyModifiers a, KeyModifiers b) {
        return {a.control || b.control, a.alt || b.alt, a.shift || b.shift, a.super || b.super};
    }
    friend constexpr auto operator<=>(const KeyModifiers&, const KeyModifiers&) = default;
};

// System-wide shortcuts. A combination is a platform-neutral virtual key code (US key
// positions) plus its modifier keys; the backend translates both. Presses arrive on the
// main thread through the handler.
class HotKeyRegistrar {
  public:
    using Handler = std::function<void(uint32_t id)>;

    // Failure statuses. They keep the values of the original platform's hot key errors
    // ("hot key exists", "hot key invalid") rather than X's BadAccess (10), so statuses and
    // the registration log read the same on every backend.
    static constexpr int32_t kTaken = -9878;    // another client holds the combination
    static constexpr int32_t kInvalid = -9879;  // no such key here, or no desktop to ask

    virtual ~HotKeyRegistrar() = default;
    // 0 on success; otherwise a non-zero status and nothing stays registered under `id`.
    virtual int32_t registerHotKey(uint32_t keyCode, KeyModifiers modifiers, uint32_t id) = 0;
    // Unknown ids are ignored.
    virtual void unregisterHotKey(uint32_t id) = 0;
    // Replaces the previous handler; an empty one drops presses.
    virtual void setHandler(Handler handler) = 0;
};

}  // namespace quenda
