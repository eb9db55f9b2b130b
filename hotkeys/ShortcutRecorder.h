#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QString>
#include <QStringList>

#include "hotkeys/HotKeyAction.h"
#include "hotkeys/HotKeyCenter.h"

namespace quenda {

// The shortcut editor's recording flow, without its window: the view forwards key-downs
// while recording and shows `banner()`.
class ShortcutRecorder {
  public:
    struct Banner {
        enum class Style { plain, warning };
        QString key;       // localisation key, formatted with `args`
        QStringList args;  // display string, then a title where the key takes them
        Style style = Style::plain;
        friend bool operator==(const Banner&, const Banner&) = default;
    };

    // `title` gives an action's localised title for the banners.
    ShortcutRecorder(HotKeyCenter& center, std::function<QString(HotKeyAction)> title)
        : center_(center), title_(std::move(title)) {}

    // Pauses the hot keys so that pressing an existing shortcut does not fire it.
    void start(HotKeyAction action);
    // A key-down while recording; true when the recorder consumed it (every key-down while
    // recording is).
    bool handleKey(uint32_t keyCode, uint64_t flags);
    // Ends a recording and brings the hot keys back.
    void stop();
    // The row's clear button.
    void clear(HotKeyAction action);
    void clearAll();
    void restoreDefaults();

    bool isRecording() const { return recording_.has_value(); }
    std::optional<HotKeyAction> recording() const { return recording_; }
    const std::optional<Banner>& banner() const { return banner_; }

  private:
    HotKeyCenter& center_;
    std::function<QString(HotKeyAction)> title_;
    std::optional<HotKeyAction> recording_;
    std::optional<Banner> banner_;
};

}  // namespace quenda
