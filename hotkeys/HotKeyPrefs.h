#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "core/Prefs.h"
#include "hotkeys/HotKeyAction.h"

namespace quenda {

// The user's shortcuts in the setting `settings::customHotKeys`: UTF-8 JSON data, one member
// per bound action, {"layout.auto":{"keyCode":18,"carbonModifiers":6144}, ...}. Unbound actions
// have no member.

// A stored combination that is no valid shortcut (a bare letter, a bit that is no modifier
// key): it is left unbound, and the hot key center says so in its log.
struct RejectedHotKey {
    HotKeyAction action;
    KeyCombo combo;
    friend bool operator==(const RejectedHotKey&, const RejectedHotKey&) = default;
};

// Only valid combinations are written, in action order, without whitespace.
QByteArray encodeHotKeys(const HotKeyBindings& bindings);
// Nothing when the data is not an object of identifier → combination. Otherwise every action
// is present: bound to its stored combination when that is valid, else unbound; unknown
// identifiers are ignored. The invalid combinations of known actions go to `rejected`, in
// action order.
std::optional<HotKeyBindings> decodeHotKeys(const QByteArray& data,
                                            std::vector<RejectedHotKey>* rejected = nullptr);

// The stored bindings, or the defaults when nothing readable is stored. Defaults are not
// merged into a stored value, so a stored {} means "everything unbound".
HotKeyBindings loadHotKeys(const Prefs& prefs, std::vector<RejectedHotKey>* rejected = nullptr);
// False when the store refused the write.
bool storeHotKeys(Prefs& prefs, const HotKeyBindings& bindings);

}  // namespace quenda
