#include "bridge/Relay.h"

#include <algorithm>
#include <memory>
#include <utility>

namespace quenda {

QString Dest::makeLabel(const QString& appName, const QString& title, const QString& fallbackName) {
    QString label = appName.isEmpty() ? fallbackName : appName;
    if (!title.isEmpty()) {
        int length = std::min<int>(kTitleLength, title.size());
        // A cut between the halves of a surrogate pair would leave half a character.
        if (length < title.size() && length > 0 && title.at(length - 1).isHighSurrogate()) --length;
        label += QStringLiteral(" — ") + title.left(length);
    }
    return label;
}

Relay::Relay(Services services)
    : s_(std::move(services)),
      ax_(s_.windows),
      keys_(s_.keys, s_.pasteboard, s_.clock, s_.windows, s_.prefs),
      timers_(s_.clock) {}

void Relay::show(const QString& message, double duration) {
    s_.hud.show(message, duration);
}

std::optional<Dest> Relay::currentDest() {
    const std::optional<int32_t> pid = s_.windows.frontmostPid();
    if (!pid || *pid == s_.windows.ownPid()) return std::nullopt;
    const std::optional<WindowRef> window = s_.windows.focusedWindow(*pid);
    if (!window) return std::nullopt;
    QString name;
    if (const auto app = s_.applications.application(*pid); app && app->name) name = *app->name;
    if (name.isEmpty()) name = s_.windows.applicationName(*pid).value_or(QString());
    const QString title = s_.windows.title(*window).value_or(QString());
    return Dest{AXWindow(s_.windows, *window), *pid,
                Dest::makeLabel(name, title, s_.l10n.t(QStringLiteral("bridge_app_fallback")))};
}

// --- marking and the group ----------------------------------------------------------------

void Relay::markTarget() {
    if (!ax_.guard(s_.hud, s_.l10n)) return;
    // During a delivery the window in front is the one the delivery brought forward.
    if (refuseWhileBusy()) return;
    std::optional<Dest> current = currentDest();
    if (!current) return show(s_.l10n.t(QStringLiteral("hud_no_active_window_mark")));
    target = std::move(current);
    show(s_.l10n.format(QStringLiteral("menu_bridge_target"),
                        {s_.l10n.t(QStringLiteral("bridge_target_prefix")), target->label}));
}

void Relay::toggleGroupMembership() {
    if (!ax_.guard(s_.hud, s_.l10n)) return;
    if (refuseWhileBusy()) return;
    std::optional<Dest> current = currentDest();
    if (!current) return show(s_.l10n.t(QStringLiteral("hud_no_active_window")));
    const auto member = std::find(group.begin(), group.end(), *current);
    if (member != group.end()) {
        group.erase(member);
        return show(
            s_.l10n.format(QStringLiteral("hud_group_removed"), {static_cast<int>(group.size())}));
    }
    group.push_back(*current);
    show(s_.l10n.format(QStringLiteral("hud_group_added"),
                        {static_cast<int>(group.size()), current->label}));
}

// --- sending --------------------------------------------------------------------------------

// A send that starts while another delivery runs would copy from, or paste into, whatever
// window that delivery brought forward: it is refused instead.
bool Relay::refuseWhileBusy() {
    if (busy_) show(s_.l10n.t(QStringLiteral("hud_bridge_busy")));
    return busy_;
}

bool Relay::startCommand() {
    if (refuseWhileBusy()) return false;
    busy_ = true;
    return true;
}

void Relay::done() {
    busy_ = false;
}

void Relay::sendSelection(bool enter) {
    if (!ax_.guard(s_.hud, s_.l10n)) return;
    if (!target)
        return show(s_.l10n.format(QStringLiteral("hud_mark_target_first"),
                                   {s_.shortcutText(QStringLiteral("bridge.mark"))}));
    if (!startCommand()) return;
    keys_.afterModifiersReleased(kModifierTimeout, timers_.bind([this, enter] {
        captureSelection([this, enter](std::optional<Dest> source) {
            const std::optional<Dest> destination = resolveDestination(source);
            if (!destination) {
                show(s_.l10n.t(QStringLiteral("hud_in_target_already")));
                return done();
            }
            prepareAndDeliver({*destination}, enter, std::move(source));
        });
    }));
}

void Relay::sendClipboard(bool enter) {
    if (!ax_.guard(s_.hud, s_.l10n)) return;
    if (!target)
        return show(s_.l10n.format(QStringLiteral("hud_mark_target_first"),
                                   {s_.shortcutText(QStringLiteral("bridge.mark"))}));
    if (!startCommand()) return;
    keys_.afterModifiersReleased(kModifierTimeout, timers_.bind([this, enter] {
        std::optional<Dest> source = currentDest();
        const std::optional<Dest> destination = resolveDestination(source);
        if (!destination) {
            show(s_.l10n.t(QStringLiteral("hud_in_target_already")));
            return done();
        }
        prepareAndDeliver({*destination}, enter, std::move(source));
    }));
}

void Relay::broadcast() {
    if (!ax_.guard(s_.hud, s_.l10n)) return;
    if (group.empty())
        return show(s_.l10n.format(QStringLiteral("hud_broadcast_empty"),
                                   {s_.shortcutText(QStringLiteral("bridge.group"))}));
    if (!startCommand()) return;
    keys_.afterModifiersReleased(kModifierTimeout, timers_.bind([this] {
        captureSelection([this](std::optional<Dest> source) {
            std::vector<Dest> destinations;
            for (const Dest& member : group)
                if (!source || !(member == *source)) destinations.push_back(member);
            if (destinations.empty()) {
                show(s_.l10n.t(QStringLiteral("hud_group_no_others")));
                return done();
            }
            prepareAndDeliver(std::move(destinations), s_.prefs.get(settings::broadcastEnter),
                              std::move(source));
        });
    }));
}

void Relay::captureSelection(std::function<void(std::optional<Dest>)> captured) {
    std::optional<Dest> source = currentDest();
    const int64_t before = s_.pasteboard.changeCount();
    auto nothingSelected = [this] {
        show(s_.l10n.t(QStringLiteral("hud_nothing_selected")), kNothingSelectedDuration);
        done();
    };
    auto waitForCopy = [this, before, source, captured = std::move(captured), nothingSelected] {
        keys_.waitForPasteboardChange(before, kCopyTimeout,
                                      [source, captured, nothingSelected](bool changed) {
                                          if (changed) return captured(source);
                                          nothingSelected();
                                      });
    };
    // From one of this program's own windows, the ordinary copy chord.
    const std::optional<KeyChord> copy =
        source ? keys_.copyChord(source->window.ref())
               : std::optional<KeyChord>(KeyChord{SyntheticKey::c, {.control = true}});
    if (copy) {
        keys_.post(*copy);
        return waitForCopy();
    }
    // A window without a copy chord (xterm) has copied its selection the moment the user
    // made it: that selection, while its program still holds it, becomes the copy. Another
    // program's selection is not this window's, and a private one is never read.
    PasteboardRead what;
    what.selection = true;
    what.selectionOwner = source->window.ref().id;
    what.files = false;
    what.image = false;
    what.privateTypes = s_.privateTypes;
    what.maxTextLength = kMaxTextLength;
    s_.pasteboard.read(what, [alive = std::weak_ptr<char>(alive_), this, nothingSelected,
                              waitForCopy = std::move(waitForCopy)](PasteboardContent selected) {
        if (!alive.lock()) return;
        if (!selected.text) return nothingSelected();
        s_.pasteboard.writeText(*selected.text);
        waitForCopy();
    });
}

bool Relay::offersOnlyPlainKinds(const QStringList& types) {
    // Text, file lists, and GTK's own copy of a text buffer, which nothing outside GTK reads.
    static const QStringList plainKinds = {
        QStringLiteral("UTF8_STRING"),
        QStringLiteral("STRING"),
        QStringLiteral("TEXT"),
        QStringLiteral("COMPOUND_TEXT"),
        QStringLiteral("text/uri-list"),
        QStringLiteral("x-special/gnome-copied-files"),
        QStringLiteral("GTK_TEXT_BUFFER_CONTENTS"),
        QStringLiteral("application/x-gtk-text-buffer-rich-text"),
    };
    return std::all_of(types.begin(), types.end(), [](const QString& type) {
        return plainKinds.contains(type) ||
               type.startsWith(QLatin1String("text/plain"), Qt::CaseInsensitive);
    });
}

std::optional<Dest> Relay::resolveDestination(const std::optional<Dest>& source) {
    if (!target) return std::nullopt;
    if (source && *source == *target) return lastSource;
    if (source) lastSource = source;
    return target;
}

void Relay::prepareAndDeliver(std::vector<Dest> destinations, bool enter,
                              std::optional<Dest> source) {
    PasteboardRead what;
    what.privateTypes = s_.privateTypes;
    what.image = false;
    what.maxTextLength = kMaxTextLength;
    s_.pasteboard.read(what, [alive = std::weak_ptr<char>(alive_), this,
                              destinations = std::move(destinations), enter,
                              source = std::move(source)](PasteboardContent content) {
        if (!alive.lock()) return;
        Delivery d{destinations, enter, source, {}, 0, {}};
        const int64_t before = s_.pasteboard.changeCount();
        // Windows that paste the other selection (xterm) must find the text there.
        const bool needsSelection = std::any_of(
            destinations.begin(), destinations.end(),
            [this](const Dest& dest) { return keys_.pasteChord(dest.window.ref()).alsoSelection; });
        const bool plain = offersOnlyPlainKinds(content.types);
        const bool whole = !content.text || content.text->size() < kMaxTextLength;
        if (!content.files.empty()) {
            // Files travel as they are, whatever the template: offered again only when
            // nothing else of the copy would be lost.
            if (plain) {
                s_.pasteboard.writeFiles(content.files);
                d.payload.owned = true;
            }
        } else if (content.text && whole && (plain || needsSelection || s_.templates.current())) {
            QString text = *content.text;
            if (const auto frame = s_.templates.current()) {
                QString app, window;
                if (source) {
                    if (const auto running = s_.applications.application(source->pid))
                        app = running->name.value_or(QString());
                    window = source->window.title().value_or(QString());
                }
                text = Templates::apply(*frame, text, app, window);
            }
            s_.pasteboard.writeText(text, needsSelection);
            d.payload.owned = true;
            d.payload.text = text;
        }
        // Otherwise the copy goes as the source made it: a private one, an image, or one
        // with kinds (formatted text) that offering it again would lose.
        if (!d.payload.owned) return deliver(std::move(d));
        keys_.waitForPasteboardChange(before, kCopyTimeout,
                                      [this, d = std::move(d)](bool) mutable { deliver(d); });
    });
}

// --- delivering -----------------------------------------------------------------------------

void Relay::deliver(Delivery delivery) {
    std::erase_if(delivery.destinations,
                  [this](const Dest& dest) { return s_.applications.isTerminated(dest.pid); });
    if (delivery.destinations.empty()) {
        show(s_.l10n.t(QStringLiteral("hud_relay_target_gone")));
        return done();
    }
    deliverStep(std::make_shared<Delivery>(std::move(delivery)));
}

std::optional<WindowRef> Relay::frontWindow() {
    const std::optional<int32_t> pid = s_.windows.frontmostPid();
    if (!pid) return std::nullopt;
    return s_.windows.focusedWindow(*pid);
}

bool Relay::isFront(const Dest& dest) {
    const std::optional<WindowRef> front = frontWindow();
    if (!front) return false;
    // A window that has closed: a window of its application in front is all there is to
    // wait for.
    if (!s_.windows.frame(dest.window.ref())) return front->pid == dest.pid;
    return *front == dest.window.ref();
}

void Relay::bringForward(const Dest& dest) {
    if (!s_.windows.frame(dest.window.ref())) {
        s_.applications.activate(dest.pid);
        return;
    }
    WindowPlan plan;
    if (dest.window.isMinimized()) plan.restore.push_back(dest.window.ref());
    plan.focus = dest.window.ref();
    s_.windows.apply(plan);
}

void Relay::deliverStep(std::shared_ptr<Delivery> d) {
    const Dest& dest = d->destinations[d->step];
    // A member may have quit while the ones before it were served.
    if (s_.applications.isTerminated(dest.pid)) return nextStep(std::move(d), 0);
    bringForward(dest);
    pasteWhenActive(std::move(d), s_.clock.now());
}

void Relay::pasteWhenActive(std::shared_ptr<Delivery> d, double started) {
    const Dest& dest = d->destinations[d->step];
    if (!isFront(dest)) {
        if (s_.clock.now() - started < kActivationDeadline) {
            timers_.after(kPollInterval, [this, d, started] { pasteWhenActive(d, started); });
            return;
        }
        // Never came forward (a window manager that refused, an application with no window
        // left): nothing is typed, since the keys would go to some other window.
        return nextStep(std::move(d), 0);
    }
    // The window that takes the keys is the one in front: the destination, or the window
    // its application brought forward in place of a closed one.
    const WindowRef front = frontWindow().value_or(dest.window.ref());
    const PasteChord chord = keys_.pasteChord(front);
    const std::optional<int64_t> before = s_.pasteboard.pasteCount(front.id);
    keys_.post(chord.chord);
    afterPaste(std::move(d), front, before, s_.clock.now());
}

void Relay::afterPaste(std::shared_ptr<Delivery> d, WindowRef front, std::optional<int64_t> before,
                       double started) {
    const bool observed = d->payload.owned && before;
    if (observed) {
        const bool taken = s_.pasteboard.pasteCount(front.id).value_or(*before) > *before;
        if (!taken) {
            if (s_.clock.now() - started < kPasteDeadline) {
                timers_.after(kPollInterval, [this, d, front, before, started] {
                    afterPaste(d, front, before, started);
                });
                return;
            }
            // The window did not paste: a Return now would send whatever it held before.
            return nextStep(std::move(d), kSettle);
        }
    }
    d->delivered.push_back(d->destinations[d->step]);
    const double returnDelay = observed ? kSettle : kUnobservedReturnDelay;
    const double nextDelay = observed ? kSettle : kUnobservedNextDelay;
    if (!d->enter) return nextStep(std::move(d), nextDelay);
    timers_.after(returnDelay, [this, d, nextDelay] {
        keys_.post(SyntheticKey::returnKey, {});
        nextStep(d, nextDelay);
    });
}

void Relay::nextStep(std::shared_ptr<Delivery> d, double delay) {
    ++d->step;
    timers_.after(delay, [this, d] {
        if (d->step < d->destinations.size()) return deliverStep(d);
        finish(d);
    });
}

void Relay::finish(std::shared_ptr<Delivery> d) {
    if (d->delivered.empty()) {
        show(s_.l10n.t(QStringLiteral("hud_relay_not_delivered")));
    } else if (d->delivered.size() == 1) {
        show(s_.l10n.format(QStringLiteral("hud_relay_sent_one"), {d->delivered.front().label}));
    } else {
        show(s_.l10n.format(QStringLiteral("hud_relay_sent_many"),
                            {static_cast<int>(d->delivered.size())}));
    }
    if (!s_.prefs.get(settings::relayReturn) || !d->source) return done();
    bringForward(*d->source);
    done();
}

}  // namespace quenda
