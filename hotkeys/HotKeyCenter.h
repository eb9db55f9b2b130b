#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>

#include "core/Prefs.h"
#include "hotkeys/HotKeyAction.h"
#include "hotkeys/HotKeyPrefs.h"
#include "platform/ports/Clock.h"
#include "platform/ports/HotKeyRegistrar.h"

namespace quenda {

// Owns the shortcut bindings and makes them system-wide: one registration per bound action,
// presses dispatched to the action on the main queue. Also the editing operations of the
// shortcut list (a combination belongs to one action only) and the pause while the user
// records a new combination.
class HotKeyCenter : public QObject {
    Q_OBJECT

  public:
    using Statuses = std::map<HotKeyAction, int32_t>;

    struct Services {
        Prefs& prefs;
        HotKeyRegistrar& registrar;
        Clock& clock;
        std::function<void(HotKeyAction)> execute;  // the one dispatch of commands
        // One registration line, without its line feed; empty means standard error.
        std::function<void(const QString& line)> log;
        // Which commands may take their shortcut from other applications; empty means the
        // catalogue's `isAvailable`.
        std::function<bool(HotKeyAction)> available = {};
    };

    // Loads the bindings; registers nothing until the first `reregisterAll`.
    explicit HotKeyCenter(Services services, QObject* parent = nullptr);
    ~HotKeyCenter() override;

    static constexpr const char* didChangeNotification = "QuendaHotKeysDidChange";

    const HotKeyBindings& bindings() const { return bindings_; }
    // The registrar's answer per action in the last pass; actions not attempted are absent.
    const Statuses& statuses() const { return statuses_; }
    bool isPausedForRecording() const { return paused_; }
    void setPausedForRecording(bool paused);

    // Unregisters everything, then (unless paused) registers every bound, valid, available
    // action with ids from 1 in action order. A stored combination that is no valid shortcut
    // is logged with ERROR instead.
    const Statuses& reregisterAll();
    // The stored bindings changed behind the center's back (another process wrote the
    // settings): takes them and runs a registration pass. False, and nothing happens, when
    // they are what the center holds already (its own writes come back this way too).
    bool reloadStoredBindings();
    void unregisterAll();
    // A press of the hot key registered under `id`.
    void perform(uint32_t id);

    // Binds (or with nothing, unbinds) one action; returns the action that lost the
    // combination. An invalid combination changes nothing.
    std::optional<HotKeyAction> setCombo(std::optional<KeyCombo> combo, HotKeyAction action);
    void clearAll();
    void restoreDefaults();

    std::optional<KeyCombo> combo(HotKeyAction action) const;
    int activeCount() const;
    // The action registered under `id` in the current pass.
    std::optional<HotKeyAction> actionFor(uint32_t id) const;

    // Writes one UTF-8 line to standard error.
    static void writeToStderr(const QString& line);

  signals:
    // After every change of the bindings (the "QuendaHotKeysDidChange" notification).
    void didChange();
    void statusesChanged();
    void pausedForRecordingChanged(bool paused);

  private:
    void replaceBindings(HotKeyBindings bindings);
    void logRejected(HotKeyAction action) const;

    Services s_;
    HotKeyBindings bindings_;
    std::vector<RejectedHotKey> rejected_;  // as stored; gone with the next write
    Statuses statuses_;
    bool paused_ = false;
    bool handlerInstalled_ = false;
    std::vector<uint32_t> registered_;  // ids whose registration succeeded
    std::map<uint32_t, HotKeyAction> byID_;
};

}  // namespace quenda
