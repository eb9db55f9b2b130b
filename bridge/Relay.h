#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "bridge/Templates.h"
#include "core/AX.h"
#include "core/AXWindow.h"
#include "core/Keys.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"
#include "platform/ports/Pasteboard.h"
#include "platform/ports/SyntheticKeys.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// One destination window of the bridge, with the text the user sees for it. Two values are
// the same window when their windows are; the label and the process play no part.
struct Dest {
    AXWindow window;
    int32_t pid;
    QString label;
    friend bool operator==(const Dest& a, const Dest& b) { return a.window == b.window; }

    // How many characters of a window's title the label keeps.
    static constexpr int kTitleLength = 42;
    // The label: the application's name (`fallbackName` when it has none), then " — " and the
    // start of the window's title when it has one.
    static QString makeLabel(const QString& appName, const QString& title,
                             const QString& fallbackName);
};

// What the bridge shows: the marked target, the window that last sent to it (the way back
// when sending from the target) and the broadcast group in the order windows joined. Kept
// in memory only; every run starts empty.
struct RelayState {
    std::optional<Dest> target;
    std::optional<Dest> lastSource;
    std::vector<Dest> group;

    // Forgets the target and the way back.
    void clearTarget() {
        target.reset();
        lastSource.reset();
    }
    // Removes one member; an index outside the group does nothing.
    void removeFromGroup(int index) {
        if (index >= 0 && index < static_cast<int>(group.size()))
            group.erase(group.begin() + index);
    }
};

// The bridge: marks a target window, and sends it the selection of the window the user works
// in (or the clipboard as it is), framed in the selected template, by pasting it there and
// pressing Return when asked; a group of windows receives the same in turn. The bridge puts
// what it sends on the clipboard as its own copy, so that it knows when each window has
// pasted it before pressing Return or moving on. One delivery runs at a time.
class Relay : public RelayState {
  public:
    struct Services {
        WindowServer& windows;
        Applications& applications;
        Pasteboard& pasteboard;
        SyntheticKeys& keys;
        Clock& clock;
        Hud& hud;
        const L10n& l10n;
        const Prefs& prefs;
        const Templates& templates;
        // The kinds of copy that are never read (password managers' secrets): such a copy
        // is sent as it is.
        QStringList privateTypes;
        // The shortcut of a command ("bridge.mark"), as the hints write it.
        std::function<QString(const QString& action)> shortcutText;
    };

    // The longest wait for the user to let go of the shortcut's modifiers.
    static constexpr double kModifierTimeout = 1.2;
    // The longest wait for a copy to reach the clipboard.
    static constexpr double kCopyTimeout = 0.9;
    // The longest wait for a destination to become the active window; one that does not is
    // skipped, since the paste keys would reach another window. Usually a few milliseconds.
    static constexpr double kActivationDeadline = 1.0;
    // The longest wait for a destination to take the paste; one that does not gets no Return.
    static constexpr double kPasteDeadline = 1.0;
    // The most characters of a text offered again; a longer copy goes as it is.
    static constexpr int kMaxTextLength = 64 * 1024 * 1024;
    // Between a paste taken and the keys that follow it, and between one window and the next.
    static constexpr double kSettle = 0.05;
    // How often the waits look again.
    static constexpr double kPollInterval = 0.01;
    // When nothing tells that a paste was taken (a private copy sent as it is), the fixed
    // times: Return 0.35 s after the paste, the next window 0.3 s after that.
    static constexpr double kUnobservedReturnDelay = 0.35;
    static constexpr double kUnobservedNextDelay = 0.3;
    static constexpr double kNothingSelectedDuration = 2.6;

    explicit Relay(Services services);

    // The window the user works in, unless it is one of this program's own.
    std::optional<Dest> currentDest();

    void markTarget();
    void sendSelection(bool enter);
    void sendClipboard(bool enter);
    void toggleGroupMembership();
    void broadcast();

    // Whether a delivery is under way (from its capture to the way back).
    bool busy() const { return busy_; }

  private:
    // What goes to the destinations, as this program's own copy.
    struct Payload {
        bool owned = false;  // this program offers it, so pastes of it can be seen
        std::optional<QString> text;
    };
    struct Delivery {
        std::vector<Dest> destinations;
        bool enter = false;
        std::optional<Dest> source;
        Payload payload;
        size_t step = 0;
        std::vector<Dest> delivered;  // the windows that took the paste
    };

    bool refuseWhileBusy();
    bool startCommand();
    // Whether a copy offering these kinds loses nothing when offered again as text or files.
    static bool offersOnlyPlainKinds(const QStringList& types);
    std::optional<WindowRef> frontWindow();
    void captureSelection(std::function<void(std::optional<Dest>)> captured);
    std::optional<Dest> resolveDestination(const std::optional<Dest>& source);
    // Puts what is on the clipboard (framed in the template) back as this program's own
    // copy, then delivers.
    void prepareAndDeliver(std::vector<Dest> destinations, bool enter, std::optional<Dest> source);
    void deliver(Delivery delivery);
    void deliverStep(std::shared_ptr<Delivery> d);
    void pasteWhenActive(std::shared_ptr<Delivery> d, double started);
    void afterPaste(std::shared_ptr<Delivery> d, WindowRef front, std::optional<int64_t> before,
                    double started);
    void nextStep(std::shared_ptr<Delivery> d, double delay);
    void finish(std::shared_ptr<Delivery> d);
    // Brings the window forward and active; a window that has closed brings its application.
    void bringForward(const Dest& dest);
    bool isFront(const Dest& dest);
    void show(const QString& message, double duration = kMessageDuration);
    void done();

    Services s_;
    AX ax_;
    Keys keys_;
    bool busy_ = false;
    OwnedTimers timers_;
    // Lets answers from the clipboard that arrive after this object is gone do nothing.
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
