#include "core/Keys.h"

#include <memory>
#include <utility>

namespace quenda {

namespace {

constexpr KeyModifiers kControl{.control = true};
constexpr KeyModifiers kControlShift{.control = true, .shift = true};
constexpr KeyModifiers kShift{.shift = true};

bool anyHeld(const KeyModifiers& m) {
    return m.control || m.alt || m.shift || m.super;
}

// A check that runs now and then again every `interval` seconds until it says it is done.
// The chain holds itself only through the pending timer, so it ends with its last check.
void pollUntil(OwnedTimers& timers, double interval, std::function<bool()> check) {
    auto step = std::make_shared<std::function<void()>>();
    *step = [&timers, interval, check = std::move(check), weak = std::weak_ptr(step)] {
        if (check()) return;
        if (auto self = weak.lock()) timers.after(interval, [self] { (*self)(); });
    };
    (*step)();
}

}  // namespace

void Keys::afterModifiersReleased(double timeout, std::function<void()> done) {
    const double start = timers_.now();
    pollUntil(timers_, kModifierPollInterval, [this, start, timeout, done = std::move(done)] {
        if (anyHeld(keys_.heldModifiers()) && timers_.now() - start <= timeout) return false;
        done();
        return true;
    });
}

void Keys::waitForPasteboardChange(int64_t from, double timeout, std::function<void(bool)> done) {
    const double start = timers_.now();
    pollUntil(timers_, kPasteboardPollInterval,
              [this, from, start, timeout, done = std::move(done)] {
                  if (pasteboard_.changeCount() != from) {
                      done(true);
                      return true;
                  }
                  if (timers_.now() - start > timeout) {
                      done(false);
                      return true;
                  }
                  return false;
              });
}

const QStringList& Keys::knownTerminalClasses() {
    // The class part of WM_CLASS as these terminals set it, lower-cased. xterm and its kin
    // are not here: they have chords of their own.
    static const QStringList classes = {
        QStringLiteral("gnome-terminal"),
        QStringLiteral("gnome-terminal-server"),
        QStringLiteral("org.gnome.console"),
        QStringLiteral("kgx"),
        QStringLiteral("org.gnome.ptyxis"),
        QStringLiteral("konsole"),
        QStringLiteral("yakuake"),
        QStringLiteral("xfce4-terminal"),
        QStringLiteral("lxterminal"),
        QStringLiteral("mate-terminal"),
        QStringLiteral("terminator"),
        QStringLiteral("tilix"),
        QStringLiteral("com.gexperts.tilix"),
        QStringLiteral("alacritty"),
        QStringLiteral("kitty"),
        QStringLiteral("st"),
        QStringLiteral("st-256color"),
        QStringLiteral("stterm"),
        QStringLiteral("foot"),
        QStringLiteral("footclient"),
        QStringLiteral("org.wezfurlong.wezterm"),
        QStringLiteral("wezterm"),
        QStringLiteral("qterminal"),
        QStringLiteral("sakura"),
        QStringLiteral("terminology"),
        QStringLiteral("guake"),
        QStringLiteral("tilda"),
        QStringLiteral("termite"),
        QStringLiteral("roxterm"),
        QStringLiteral("deepin-terminal"),
        QStringLiteral("cool-retro-term"),
        QStringLiteral("com.mitchellh.ghostty"),
        QStringLiteral("ghostty"),
        QStringLiteral("hyper"),
        QStringLiteral("tabby"),
        QStringLiteral("contour"),
        QStringLiteral("zutty"),
        QStringLiteral("cutefish-terminal"),
        QStringLiteral("io.elementary.terminal"),
        QStringLiteral("pantheon-terminal"),
        QStringLiteral("com.raggesilver.blackbox"),
        QStringLiteral("x-terminal-emulator"),
    };
    return classes;
}

QStringList Keys::parseClassList(const QString& setting) {
    QStringList classes;
    for (const QString& part : setting.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (!name.isEmpty()) classes << name.toLower();
    }
    return classes;
}

WindowChords Keys::chordsFor(const QString& windowClass, const QStringList& extraTerminals) {
    const QString name = windowClass.trimmed().toLower();
    // xterm and the rxvt family have no clipboard keys: their selection is the copy, and
    // Shift+Insert pastes it. (In urxvt, Ctrl+Shift starts typing a character by its code.)
    static const QStringList selectionTerminals = {
        QStringLiteral("xterm"), QStringLiteral("uxterm"),       QStringLiteral("urxvt"),
        QStringLiteral("rxvt"),  QStringLiteral("rxvt-unicode"), QStringLiteral("eterm"),
        QStringLiteral("aterm"),
    };
    if (selectionTerminals.contains(name))
        return {std::nullopt, {{SyntheticKey::insert, kShift}, true}};
    const bool terminal = !name.isEmpty() && (knownTerminalClasses().contains(name) ||
                                              extraTerminals.contains(name, Qt::CaseInsensitive));
    if (terminal)
        return {KeyChord{SyntheticKey::c, kControlShift},
                {{SyntheticKey::v, kControlShift}, false}};
    return {KeyChord{SyntheticKey::c, kControl}, {{SyntheticKey::v, kControl}, false}};
}

WindowChords Keys::chordsOf(const WindowRef& window) const {
    return chordsFor(windows_.windowClass(window).value_or(QString()),
                     parseClassList(prefs_.get(settings::terminalClasses)));
}

std::optional<KeyChord> Keys::copyChord(const WindowRef& window) const {
    return chordsOf(window).copy;
}

PasteChord Keys::pasteChord(const WindowRef& window) const {
    return chordsOf(window).paste;
}

}  // namespace quenda
