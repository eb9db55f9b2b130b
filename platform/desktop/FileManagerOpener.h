#pragma once

#include <QString>

#include "platform/ports/DesktopOpener.h"

namespace quenda {

// Shows a file selected in its folder where the desktop's file manager offers the
// freedesktop FileManager1 interface on the session bus (Nautilus, Nemo, Thunar, Dolphin,
// Caja...); elsewhere, or when the call fails, the other opener reveals it (its folder).
// Opening goes to the other opener. Nothing here waits for the file manager.
class FileManagerOpener final : public DesktopOpener {
  public:
    explicit FileManagerOpener(DesktopOpener& fallback) : fallback_(fallback) {}
    bool open(const QString& path) override { return fallback_.open(path); }
    bool reveal(const QString& path) override;

    static inline const QString kService = QStringLiteral("org.freedesktop.FileManager1");

  private:
    DesktopOpener& fallback_;
};

}  // namespace quenda
