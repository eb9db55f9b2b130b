#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

#include "core/Prefs.h"
#include "hotkeys/HotKeyAction.h"

namespace quenda {

// The user's shortcuts in the setting `settings::customHotKeys`: UTF-8 JSON data, one member
// per bound action, {"layout.auto":{"keyCode":18,"carbonModifiers":6144}, ...}. Unbound actions
// have no member.

// Only valid combinations are written, in action order, without whitespace.
QByteArray encodeHotKeys(const HotKeyBindings& bindings);
// Nothing when the data is not an object of identifier → combination. Otherwise every action
// is present: bound to its stored combination when that is valid, else unbound; unknown
// identifiers are ignored.
std::optional<HotKeyBindings> decodeHotKeys(const QByteArray& data);

// The stored bindings, or the defaults when nothing readable is stored. Defaults are not
// merged into a stored value, so a stored {} means "everything unbound".
HotKeyBindings loadHotKeys(const Prefs& prefs);
// False when the store refused the write.
bool storeHotKeys(Prefs& prefs, const HotKeyBindings& bindings);

}  // namespace quenda
