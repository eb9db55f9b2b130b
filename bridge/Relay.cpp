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
    std::optional<Dest> current = currentDest();
    if (!current) return show(s_.l10n.t(QStringLiteral("hud_no_active_window_mark")));
    target = std::move(current);
    show(s_.l10n.format(QStringLiteral("menu_bridge_target"),
                        {s_.l10n.t(QStringLiteral("bridge_target_prefix")), target->label}));
}

void Relay::toggleGroupMembership() {
    if (!ax_.guard(s_.hud, s_.l10n)) return;
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
bool Relay::startCommand() {
    if (busy_) {
        show(s_.l10n.t(QStringLiteral("hud_bridge_busy")));
        return false;
    }
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
    auto waitForCopy = [this, before, source, captured = std::move(captured)] {
        keys_.waitForPasteboardChange(before, kCopyTimeout, [this, source, captured](bool changed) {
            if (changed) return captured(source);
            show(s_.l10n.t(QStringLiteral("hud_nothing_selected")), kNothingSelectedDuration);
            done();
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
    // made it: that selection becomes the copy.
    PasteboardRead what;
    what.selection = true;
    what.files = false;
    what.image = false;
    s_.pasteboard.read(what, [alive = std::weak_ptr<char>(alive_), this,
                              waitForCopy = std::move(waitForCopy)](PasteboardContent selected) {
        if (!alive.lock()) return;
        if (selected.text) s_.pasteboard.writeText(*selected.text);
        waitForCopy();
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
    s_.pasteboard.read(
        what, [alive = std::weak_ptr<char>(alive_), this, destinations = std::move(destinations),
               enter, source = std::move(source)](PasteboardContent content) {
            if (!alive.lock()) return;
            Delivery d{destinations, enter, source, {}, 0};
            const int64_t before = s_.pasteboard.changeCount();
            if (!content.files.empty()) {
                // Files travel as they are, whatever the template.
                s_.pasteboard.writeFiles(content.files);
                d.payload.owned = true;
            } else if (content.text) {
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
                // Windows that paste the other selection (xterm) find the text there too.
                const bool alsoSelection =
                    std::any_of(destinations.begin(), destinations.end(), [this](const Dest& dest) {
                        return keys_.pasteChord(dest.window.ref()).alsoSelection;
                    });
                s_.pasteboard.writeText(text, alsoSelection);
                d.payload.owned = true;
                d.payload.text = text;
            } else if (content.png) {
                s_.pasteboard.writeImage(*content.png);
                d.payload.owned = true;
            }
            if (!d.payload.owned) return deliver(std::move(d));  // a private copy, sent as it is
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

bool Relay::isFront(const Dest& dest) {
    const std::optional<int32_t> pid = s_.windows.frontmostPid();
    if (!pid) return false;
    // A window that has closed: its application coming forward is all there is to wait for.
    if (!s_.windows.frame(dest.window.ref())) return *pid == dest.pid;
    return s_.windows.focusedWindow(*pid) == dest.window.ref();
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
    bringForward(d->destinations[d->step]);
    pasteWhenActive(std::move(d), s_.clock.now());
}

void Relay::pasteWhenActive(std::shared_ptr<Delivery> d, double started) {
    const Dest& dest = d->destinations[d->step];
    if (!isFront(dest) && s_.clock.now() - started < kActivationDeadline) {
        timers_.after(kPollInterval, [this, d, started] { pasteWhenActive(d, started); });
        return;
    }
    // The window that takes the keys is the one in front: the destination, or the window
    // its application brought forward in place of a closed one.
    std::optional<WindowRef> front;
    if (const auto pid = s_.windows.frontmostPid()) front = s_.windows.focusedWindow(*pid);
    const PasteChord chord = keys_.pasteChord(front.value_or(dest.window.ref()));
    const std::optional<int64_t> before = s_.pasteboard.pasteCount();
    keys_.post(chord.chord);
    afterPaste(std::move(d), before, s_.clock.now());
}

void Relay::afterPaste(std::shared_ptr<Delivery> d, std::optional<int64_t> before, double started) {
    const bool observed = d->payload.owned && before;
    if (observed) {
        const bool taken = s_.pasteboard.pasteCount().value_or(*before) > *before;
        if (!taken && s_.clock.now() - started < kPasteDeadline) {
            timers_.after(kPollInterval,
                          [this, d, before, started] { afterPaste(d, before, started); });
            return;
        }
    }
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
    if (d->destinations.size() == 1) {
        show(s_.l10n.format(QStringLiteral("hud_relay_sent_one"), {d->destinations.front().label}));
    } else {
        show(s_.l10n.format(QStringLiteral("hud_relay_sent_many"),
                            {static_cast<int>(d->destinations.size())}));
    }
    if (!s_.prefs.get(settings::relayReturn) || !d->source) return done();
    bringForward(*d->source);
    done();
}

}  // namespace quenda
