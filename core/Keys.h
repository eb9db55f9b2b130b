#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "core/Prefs.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Pasteboard.h"
#include "platform/ports/SyntheticKeys.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// One key press with the modifiers the receiver should see held.
struct KeyChord {
    SyntheticKey key = SyntheticKey::v;
    KeyModifiers modifiers;
    friend bool operator==(const KeyChord&, const KeyChord&) = default;
};

// How a window takes a paste: the chord, and whether the text must also be offered as the
// desktop's other selection (X's PRIMARY), for windows that paste from there.
struct PasteChord {
    KeyChord chord;
    bool alsoSelection = false;
    friend bool operator==(const PasteChord&, const PasteChord&) = default;
};

// The copy and paste chords of one kind of window. Terminals take Ctrl+Shift+C/V, because
// Ctrl+C interrupts the program running in them; xterm has no clipboard key by default, so it
// has no copy chord (its selection is PRIMARY) and pastes PRIMARY with Shift+Insert.
struct WindowChords {
    std::optional<KeyChord> copy;
    PasteChord paste;
    friend bool operator==(const WindowChords&, const WindowChords&) = default;
};

// Typing into other applications on behalf of the clipboard panel and the bridge: key
// presses, waiting until the user lets go of the modifiers of the hot key that started an
// action, and waiting until a synthetic copy has changed the clipboard. The waits poll on
// the clock and never block; each ends with exactly one call of its callback, unless this
// object goes first.
class Keys {
  public:
    // How often the waits look again, in seconds.
    static constexpr double kModifierPollInterval = 0.03;
    static constexpr double kPasteboardPollInterval = 0.04;

    Keys(SyntheticKeys& keys, Pasteboard& pasteboard, Clock& clock, WindowServer& windows,
         const Prefs& prefs)
        : keys_(keys), pasteboard_(pasteboard), windows_(windows), prefs_(prefs), timers_(clock) {}

    // One full press that the receiving window sees with exactly `modifiers` held.
    void post(SyntheticKey key, KeyModifiers modifiers) { keys_.post(key, modifiers); }
    void post(const KeyChord& chord) { post(chord.key, chord.modifiers); }

    // Runs `done` once no modifier key is held, or once more than `timeout` seconds have
    // passed. The first look is immediate: with nothing held, `done` runs before this returns.
    void afterModifiersReleased(double timeout, std::function<void()> done);

    // Calls `done(true)` as soon as the clipboard's change count differs from `from`, or
    // `done(false)` once more than `timeout` seconds have passed. The first look is immediate.
    void waitForPasteboardChange(int64_t from, double timeout, std::function<void(bool)> done);

    // The chord that copies the selection in `window`; nothing when it has none (xterm).
    std::optional<KeyChord> copyChord(const WindowRef& window) const;
    // The chord that pastes into `window`.
    PasteChord pasteChord(const WindowRef& window) const;

    // The chords for a window of class `windowClass` (compared without regard to case);
    // `extraTerminals` are more classes to treat as terminals.
    static WindowChords chordsFor(const QString& windowClass, const QStringList& extraTerminals);
    // The classes of the terminal emulators recognised without any setting, lower-cased.
    static const QStringList& knownTerminalClasses();
    // The setting's list of more terminal classes: comma-separated, blanks ignored.
    static QStringList parseClassList(const QString& setting);

  private:
    WindowChords chordsOf(const WindowRef& window) const;

    SyntheticKeys& keys_;
    Pasteboard& pasteboard_;
    WindowServer& windows_;
    const Prefs& prefs_;
    OwnedTimers timers_;
};

}  // namespace quenda
