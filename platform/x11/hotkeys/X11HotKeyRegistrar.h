#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QString>

#include "platform/ports/HotKeyRegistrar.h"

namespace quenda {

// Global hot keys as passive key grabs on the root window, on a connection of its own whose
// events are read on the Qt main thread. A combination is grabbed for every state of the
// NumLock, CapsLock and ScrollLock locks, so they never stop a shortcut; one held by another
// client reports kTaken. Keymap changes re-grab everything.
class X11HotKeyRegistrar final : public HotKeyRegistrar {
  public:
    // Connects to `display`, or to $DISPLAY when empty. Without a server every registration
    // fails with kInvalid.
    explicit X11HotKeyRegistrar(const QString& display = {});
    ~X11HotKeyRegistrar() override;
    X11HotKeyRegistrar(const X11HotKeyRegistrar&) = delete;
    X11HotKeyRegistrar& operator=(const X11HotKeyRegistrar&) = delete;

    int32_t registerHotKey(uint32_t keyCode, KeyModifiers modifiers, uint32_t id) override;
    void unregisterHotKey(uint32_t id) override;
    void setHandler(Handler handler) override;

    bool isConnected() const;
    // The server time of the last hot key press, 0 before the first; activating a window on
    // behalf of a press needs it.
    uint32_t lastPressTime() const;
    // The platform-neutral key code of a key of this keyboard (an X key code, as a key
    // event reports it), by its unshifted symbol in the current keymap; nothing for a key
    // shortcuts cannot use.
    std::optional<uint32_t> keyCodeForX11Key(uint32_t x11KeyCode) const;
    // How often the grabs were renewed after a keymap change.
    int regrabCount() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace quenda
