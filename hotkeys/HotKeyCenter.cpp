#include "hotkeys/HotKeyCenter.h"

#include <cstdio>

namespace quenda {

HotKeyCenter::HotKeyCenter(Services services, QObject* parent)
    : QObject(parent), s_(std::move(services)) {
    bindings_ = loadHotKeys(s_.prefs, &rejected_);
    if (!s_.log) s_.log = &HotKeyCenter::writeToStderr;
    if (!s_.available) s_.available = &isAvailable;
}

namespace {

std::map<HotKeyAction, KeyCombo> boundOnly(const HotKeyBindings& bindings) {
    std::map<HotKeyAction, KeyCombo> out;
    for (const auto& [action, combo] : bindings)
        if (combo) out[action] = *combo;
    return out;
}

}  // namespace

void HotKeyCenter::logRejected(HotKeyAction action) const {
    for (const RejectedHotKey& r : rejected_) {
        if (r.action != action) continue;
        s_.log(QStringLiteral("[Quenda] HotKey %1 · %2 → not registered: keyCode %3 with "
                              "carbonModifiers %4 is no shortcut (it needs Ctrl, Alt, Shift or "
                              "Super, and no other bit) ERROR")
                   .arg(r.combo.symbolString(), rawValue(action), QString::number(r.combo.keyCode),
                        QString::number(r.combo.carbonModifiers)));
    }
}

bool HotKeyCenter::reloadStoredBindings() {
    std::vector<RejectedHotKey> rejected;
    HotKeyBindings stored = loadHotKeys(s_.prefs, &rejected);
    if (boundOnly(stored) == boundOnly(bindings_) && rejected == rejected_) return false;
    bindings_ = std::move(stored);
    rejected_ = std::move(rejected);
    if (!paused_) reregisterAll();
    emit didChange();
    return true;
}

HotKeyCenter::~HotKeyCenter() {
    // The registrar may outlive us: leave it neither our keys nor a handler that points here.
    unregisterAll();
    if (handlerInstalled_) s_.registrar.setHandler({});
}

void HotKeyCenter::writeToStderr(const QString& line) {
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

void HotKeyCenter::setPausedForRecording(bool paused) {
    if (paused_ == paused) return;
    paused_ = paused;
    emit pausedForRecordingChanged(paused);
}

void HotKeyCenter::unregisterAll() {
    for (uint32_t id : registered_) s_.registrar.unregisterHotKey(id);
    registered_.clear();
    byID_.clear();
}

const HotKeyCenter::Statuses& HotKeyCenter::reregisterAll() {
    unregisterAll();
    if (paused_) return statuses_;
    if (!handlerInstalled_) {
        s_.registrar.setHandler([this](uint32_t id) { perform(id); });
        handlerInstalled_ = true;
    }
    Statuses statuses;
    uint32_t next = 1;
    for (HotKeyAction action : allActions()) {
        logRejected(action);
        const auto combo = this->combo(action);
        if (!combo || !combo->isValid() || !s_.available(action)) continue;
        // The number is used up even when the registration fails.
        const uint32_t id = next++;
        byID_[id] = action;
        const int32_t status = s_.registrar.registerHotKey(combo->keyCode, combo->modifiers(), id);
        if (status == 0) registered_.push_back(id);
        statuses[action] = status;
        s_.log(QStringLiteral("[Quenda] HotKey %1 · %2 → status %3 %4")
                   .arg(combo->symbolString(), rawValue(action), QString::number(status),
                        status == 0 ? QStringLiteral("noErr") : QStringLiteral("ERROR")));
    }
    statuses_ = std::move(statuses);
    emit statusesChanged();
    return statuses_;
}

void HotKeyCenter::perform(uint32_t id) {
    if (paused_) return;
    const auto it = byID_.find(id);
    if (it == byID_.end()) return;
    // Runs after the event handler has returned.
    s_.clock.after(0, [execute = s_.execute, action = it->second] {
        if (execute) execute(action);
    });
}

std::optional<HotKeyAction> HotKeyCenter::setCombo(std::optional<KeyCombo> combo,
                                                   HotKeyAction action) {
    if (combo && !combo->isValid()) return std::nullopt;
    std::optional<HotKeyAction> displaced;
    if (combo) {
        for (HotKeyAction other : allActions()) {
            if (other == action || this->combo(other) != combo) continue;
            bindings_.erase(other);
            displaced = other;
            break;
        }
    }
    bindings_[action] = combo;
    storeHotKeys(s_.prefs, bindings_);
    rejected_.clear();  // not written again
    if (!paused_) reregisterAll();
    emit didChange();
    return displaced;
}

void HotKeyCenter::replaceBindings(HotKeyBindings bindings) {
    bindings_ = std::move(bindings);
    storeHotKeys(s_.prefs, bindings_);
    rejected_.clear();
    if (!paused_) reregisterAll();
    emit didChange();
}

void HotKeyCenter::clearAll() {
    replaceBindings({});
}

void HotKeyCenter::restoreDefaults() {
    replaceBindings(defaultMap());
}

std::optional<KeyCombo> HotKeyCenter::combo(HotKeyAction action) const {
    const auto it = bindings_.find(action);
    if (it == bindings_.end()) return std::nullopt;
    return it->second;
}

int HotKeyCenter::activeCount() const {
    int count = 0;
    for (const auto& [action, combo] : bindings_)
        if (combo) ++count;
    return count;
}

std::optional<HotKeyAction> HotKeyCenter::actionFor(uint32_t id) const {
    const auto it = byID_.find(id);
    if (it == byID_.end()) return std::nullopt;
    return it->second;
}

}  // namespace quenda
