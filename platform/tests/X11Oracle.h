#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/Geometry.h"

namespace quenda::testing {

// What tools we did not write (xwininfo, xprop, xrandr) say about a display, to check the
// backend against. Debian 12's xdotool and wmctrl count the frame offset twice, so their
// positions are never used.
class X11Oracle {
  public:
    explicit X11Oracle(QString display) : display_(std::move(display)) {}

    // The tool's standard output; nothing when it failed (a vanished window).
    std::optional<QString> run(const QString& program, const QStringList& args) const;

    // The outer frame in window coordinates: the client's absolute position from xwininfo
    // grown by _NET_FRAME_EXTENTS and shrunk by _GTK_FRAME_EXTENTS (client-side shadows)
    // from xprop, shifted so the primary monitor's top-left is the origin.
    std::optional<Rect> outerFrame(uint64_t window) const;
    // A property of 32-bit values (cardinals, atoms as names are not parsed), as xprop
    // prints it; nothing when unset.
    std::optional<std::vector<uint64_t>> numbers(std::optional<uint64_t> window,
                                                 const QString& property) const;
    // The atom names xprop prints for an atom-list property.
    QStringList atomNames(uint64_t window, const QString& property) const;
    // _NET_CLIENT_LIST_STACKING, bottom to top.
    std::vector<uint64_t> stacking() const;
    std::optional<uint64_t> activeWindow() const;
    // RandR monitors as xrandr lists them (root coordinates), the primary flagged.
    struct Monitor {
        QString name;
        Rect root;
        bool primary = false;
    };
    std::vector<Monitor> monitors() const;

  private:
    QString display_;
};

}  // namespace quenda::testing
