#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "bridge/Templates.h"
#include "bridge/TextFiles.h"
#include "clipboard/ClipItem.h"
#include "clipboard/ClipboardStore.h"
#include "core/Keys.h"
#include "core/L10n.h"
#include "platform/ports/Clock.h"
#include "platform/ports/Hud.h"
#include "platform/ports/WindowServer.h"

namespace quenda {

// How items go on the clipboard: each in its kind (texts joined), or all as file attachments.
enum class PasteMode : uint8_t { normal, asFiles };

// The clipboard panel's behaviour: opening it over the window the user works in, and putting
// the chosen items back on the clipboard and pasting them into that window. The panel itself
// is drawn elsewhere and reached through `Panel`.
class ClipboardPanelController {
  public:
    // The panel's window, as the controller needs it.
    struct Panel {
        std::function<void()> show;  // a fresh opening: empty search, nothing selected
        std::function<void()> hide;
        std::function<bool()> isVisible;
    };
    struct Services {
        ClipboardStore& store;
        Pasteboard& pasteboard;  // the store's
        Keys& keys;
        WindowServer& windows;
        Clock& clock;
        Hud& hud;
        const L10n& l10n;
        const Templates& templates;
        TextFiles& textFiles;
        Panel panel;
    };

    // The longest wait for the previous window to be active again before the paste chord is
    // sent anyway, in seconds.
    static constexpr double kActivationDeadline = 0.25;
    static constexpr double kActivationPollInterval = 0.01;
    // How long the message of a copy stays, in seconds.
    static constexpr double kCopiedMessageDuration = 1.6;

    explicit ClipboardPanelController(Services services)
        : s_(std::move(services)), timers_(s_.clock) {}

    // Hides the panel when it is shown, else opens it.
    void toggle();
    // Opens the panel afresh, remembering the window the user works in: the active window
    // of the application in front. Opened from this program's own windows, the earlier
    // window stays the target; with no application in front, there is none.
    void open();

    // Puts the items on the clipboard: one item in its kind; several with any image or files
    // all as files; texts joined, in the selected template; in `asFiles` mode all as files.
    // `alsoSelection` offers a text as the desktop's other selection too. False only for no
    // items.
    bool prepare(const std::vector<ClipItem>& items, PasteMode mode, bool alsoSelection = false);
    // Puts the items on the clipboard, hides the panel, activates the window the panel was
    // opened over and, once it is active and the desktop has taken the copy (or after
    // `kActivationDeadline`), sends it the paste chord it takes. A window that has gone: the
    // chord goes to whatever is in front, the text offered the way that window pastes.
    void paste(const std::vector<ClipItem>& items, PasteMode mode);
    // Puts the items on the clipboard only, hides the panel and says so.
    void copy(const std::vector<ClipItem>& items, PasteMode mode);

    // The window the next paste goes to.
    std::optional<WindowRef> previousWindow() const { return previous_; }

  private:
    // What one `prepare` put on the clipboard.
    struct Written {
        bool any = false;
        std::optional<QString> text;  // when it was a text
    };
    // A paste waiting for its window and for the desktop to take the copy.
    struct Pending {
        std::optional<WindowRef> target;
        double started = 0;
        int64_t before = 0;  // the change count before the copy
        bool wrote = false;
        std::optional<QString> text;
        bool selectionOffered = false;
    };
    Written write(const std::vector<ClipItem>& items, PasteMode mode, bool alsoSelection);
    std::optional<WindowRef> frontWindow();
    void postWhenReady(Pending pending);

    Services s_;
    std::optional<WindowRef> previous_;
    OwnedTimers timers_;
};

}  // namespace quenda
